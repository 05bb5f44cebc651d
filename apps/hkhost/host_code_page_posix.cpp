#include "host_code_page.h"

namespace HkHost {

std::string ToHostCodePage(const std::string& utf8) {
    return utf8;
}

TPluginCall::TPluginCall() = default;

TPluginCall::~TPluginCall() = default;

} // namespace HkHost
