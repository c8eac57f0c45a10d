#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace mossquill::service {

// All randomness comes from OpenSSL's CSPRNG; a failing generator throws rather than
// handing out a guessable value.

// 64 lowercase hexadecimal characters (256 bits).
std::string NewToken();

// 32 lowercase hexadecimal characters (128 bits); not secret, but not guessable either.
std::string NewDeviceId();

// The longest device id accepted from outside (a request, another instance); room to spare
// over the ones NewDeviceId makes.
constexpr std::size_t kMaxDeviceIdLength = 64;

// Six decimal digits, uniform over 000000..999999.
std::string NewPairCode();

// SHA-256 of a token, the only form in which tokens are stored.
std::string TokenDigest(std::string_view token);

// Constant-time comparison of two digests.
bool SameDigest(std::string_view a, std::string_view b);

}  // namespace mossquill::service
