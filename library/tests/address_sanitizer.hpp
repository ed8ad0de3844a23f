// Whether the tests run under AddressSanitizer (g++ and clang name it differently): its
// instrumented code is slower, and its shadow memory makes resident memory and address-space
// limits meaningless.
#pragma once

#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool under_address_sanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool under_address_sanitizer = true;
#else
inline constexpr bool under_address_sanitizer = false;
#endif
#else
inline constexpr bool under_address_sanitizer = false;
#endif
