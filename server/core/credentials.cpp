#include "core/credentials.h"

#include "protocol/field_limits.h"

#include <openssl/crypto.h>
#include <openssl/rand.h>
#include <openssl/sha.h>

#include <array>
#include <cstdint>
#include <stdexcept>

namespace mossquill::service {
namespace {

void FillRandom(unsigned char* data, std::size_t size) {
    if (RAND_bytes(data, static_cast<int>(size)) != 1) {
        throw std::runtime_error("random generator failed");
    }
}

std::string RandomHex(std::size_t bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string raw(bytes, '\0');
    FillRandom(reinterpret_cast<unsigned char*>(raw.data()), raw.size());
    std::string hex;
    hex.reserve(bytes * 2);
    for (const char c : raw) {
        const auto byte = static_cast<unsigned char>(c);
        hex.push_back(kDigits[byte >> 4]);
        hex.push_back(kDigits[byte & 0x0F]);
    }
    return hex;
}

}  // namespace

std::string NewToken() { return RandomHex(32); }

std::string NewDeviceId() { return RandomHex(16); }

std::string NewPairCode() {
    constexpr std::uint32_t kCodes = [] {
        std::uint32_t codes = 1;
        for (std::size_t digit = 0; digit < protocol::kPairingCodeLength; ++digit)
            codes *= 10;
        return codes;
    }();
    // Largest multiple of kCodes that fits: values at or above it are redrawn so that
    // every code is equally likely.
    constexpr std::uint32_t kAcceptBelow = (0xFFFFFFFFu / kCodes) * kCodes;
    std::uint32_t value = 0;
    do {
        std::array<unsigned char, 4> bytes{};
        FillRandom(bytes.data(), bytes.size());
        value = (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16) | (std::uint32_t{bytes[2]} << 8) |
                std::uint32_t{bytes[3]};
    } while (value >= kAcceptBelow);
    std::string code = std::to_string(value % kCodes);
    return std::string(protocol::kPairingCodeLength - code.size(), '0') + code;
}

std::string TokenDigest(std::string_view token) {
    std::string digest(SHA256_DIGEST_LENGTH, '\0');
    SHA256(reinterpret_cast<const unsigned char*>(token.data()), token.size(),
           reinterpret_cast<unsigned char*>(digest.data()));
    return digest;
}

bool SameDigest(std::string_view a, std::string_view b) {
    return a.size() == b.size() && CRYPTO_memcmp(a.data(), b.data(), a.size()) == 0;
}

}  // namespace mossquill::service
