// Whether the test is built with ThreadSanitizer. Tests of forced thread
// termination skip themselves then: the sanitizer does not model the
// cancellation that terminates a thread here.
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
} // namespace TestSupport
