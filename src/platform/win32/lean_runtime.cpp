// What the plug-in DLL takes from the static C++ runtime instead of the
// runtime's own versions, which pull in far more than the plug-in uses.
//
// libstdc++ keeps all of its "throw this error" helpers in one object file.
// Linking any of them links all, and with them the standard error classes,
// which carry their text in the old reference-counted string: about 80 KiB
// of string code, random_device and a printf, in a plug-in whose own code is
// about as large. The linker cannot drop the unused parts afterwards, since
// every function's unwind entry keeps it alive. So the plug-in defines the
// helpers itself (all of them: should the runtime's object file come in
// after all, the duplicate names fail the link instead of wasting space).
//
// Allocation failures keep their standard types: the checker tells them
// apart. The other helpers throw one light std::exception: they report a
// programming error (an index or length out of range), and every entry point
// catches everything, whatever its type. Code in the plug-in must therefore
// not catch std::logic_error, std::out_of_range or std::runtime_error by
// type; it does not.
//
// The default terminate handler names the pending exception's type through
// the runtime's demangler (another 50 KiB with its printf); the plug-in never
// lets an exception reach it, so it simply aborts, as that handler does too.
#include <cstdlib>
#include <exception>
#include <new>
#include <typeinfo>

namespace {

class RuntimeCheckFailed final : public std::exception {
public:
    explicit RuntimeCheckFailed(const char* What) noexcept : What_(What) {}
    const char* what() const noexcept override { return What_; }

private:
    const char* What_; // the runtime passes literals only
};

} // namespace

namespace std {

void __throw_bad_alloc() {
    throw bad_alloc();
}
void __throw_bad_array_new_length() {
    throw bad_array_new_length();
}
void __throw_bad_cast() {
    throw bad_cast();
}
void __throw_bad_typeid() {
    throw bad_typeid();
}
void __throw_bad_exception() {
    throw bad_exception();
}
void __throw_logic_error(const char* What) {
    throw RuntimeCheckFailed(What);
}
void __throw_domain_error(const char* What) {
    throw RuntimeCheckFailed(What);
}
void __throw_invalid_argument(const char* What) {
    throw RuntimeCheckFailed(What);
}
void __throw_length_error(const char* What) {
    throw RuntimeCheckFailed(What);
}
void __throw_out_of_range(const char* What) {
    throw RuntimeCheckFailed(What);
}
// The format is the message, its arguments left out.
void __throw_out_of_range_fmt(const char* Format, ...) {
    throw RuntimeCheckFailed(Format);
}
void __throw_runtime_error(const char* What) {
    throw RuntimeCheckFailed(What);
}
void __throw_range_error(const char* What) {
    throw RuntimeCheckFailed(What);
}
void __throw_overflow_error(const char* What) {
    throw RuntimeCheckFailed(What);
}
void __throw_underflow_error(const char* What) {
    throw RuntimeCheckFailed(What);
}

} // namespace std

namespace __gnu_cxx {

void __verbose_terminate_handler() {
    std::abort();
}

} // namespace __gnu_cxx
