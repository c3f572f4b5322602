// Which sanitizers the test is built with. Tests of forced thread termination
// skip themselves under ThreadSanitizer and AddressSanitizer: neither models
// the cancellation that terminates a thread here (the forced unwind).
#pragma once

namespace TestSupport
{
#if defined(__SANITIZE_THREAD__)
constexpr bool kThreadSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
constexpr bool kThreadSanitizer = true;
#else
constexpr bool kThreadSanitizer = false;
#endif
#else
constexpr bool kThreadSanitizer = false;
#endif

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif
#else
constexpr bool kAddressSanitizer = false;
#endif

// The build's own flag: compilers name no macro for this sanitizer.
#if defined(VASKOR_UNDEFINED_SANITIZER)
constexpr bool kUndefinedSanitizer = true;
#else
constexpr bool kUndefinedSanitizer = false;
#endif

// Forced thread termination cannot be tested in this build.
constexpr bool kCancellationUnmodelled = kThreadSanitizer || kAddressSanitizer;
} // namespace TestSupport
