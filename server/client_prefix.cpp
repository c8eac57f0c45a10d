#include "client_prefix.h"

#include <arpa/inet.h>

#include <array>
#include <cstring>

namespace mossquill::service {

std::string ClientPrefix(std::string_view address)
{
    const std::string text(address);
    std::array<unsigned char, 16> bytes{};
    char printed[INET6_ADDRSTRLEN] = {};
    if (inet_pton(AF_INET, text.c_str(), bytes.data()) == 1) {
        bytes[3] = 0;
        inet_ntop(AF_INET, bytes.data(), printed, sizeof printed);
        return std::string(printed) + "/24";
    }
    if (inet_pton(AF_INET6, text.c_str(), bytes.data()) == 1) {
        constexpr std::array<unsigned char, 12> kMappedPrefix = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xff, 0xff};
        if (std::memcmp(bytes.data(), kMappedPrefix.data(), kMappedPrefix.size()) == 0) {
            bytes[15] = 0;
            inet_ntop(AF_INET, bytes.data() + 12, printed, sizeof printed);
            return std::string(printed) + "/24";
        }
        std::memset(bytes.data() + 8, 0, 8);
        inet_ntop(AF_INET6, bytes.data(), printed, sizeof printed);
        return std::string(printed) + "/64";
    }
    return text;
}

}  // namespace mossquill::service
