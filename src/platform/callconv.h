// How the host's entry points and services are called. The real host is a
// 32-bit Windows program: __stdcall everywhere, and only 4-byte stack
// alignment guaranteed at every call into the plug-in, so each entry point
// and callback the host calls realigns its frame. Elsewhere both are no-ops.
#pragma once

#ifdef _WIN32
#define HK_WINAPI __stdcall
#define HK_REALIGN_STACK __attribute__((force_align_arg_pointer))
#else
#define HK_WINAPI
#define HK_REALIGN_STACK
#endif
