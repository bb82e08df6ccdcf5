#pragma once

namespace orv::test {

// Whether this build runs under the address sanitizer, whose allocator
// replaces glibc's and takes over malloc's tuning calls.
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ORV_UNDER_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(ORV_UNDER_ASAN)
inline constexpr bool underAddressSanitizer = true;
#else
inline constexpr bool underAddressSanitizer = false;
#endif

}  // namespace orv::test
