#include "online_test_support.h"

#include "platform/registry_key.h"
#include "platform/registry_settings_store.h"
#include "online/winhttp_handle.h"

#include <wincrypt.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

const std::wstring kGatewayHost = kServiceHosts[kGatewayHostIndex].name;
const std::wstring kRelayHost = kServiceHosts[kRelayHostIndex].name;

namespace {

// Bytes 0x80 and above travel as \udcXX, which the double turns back into the very same byte.
std::string EscapeForDouble(std::string_view bytes) {
    static const char kHex[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        if (c >= 0x80) {
            out += "\\udc";
        } else if (c < 0x20 || c == '"' || c == '\\') {
            out += "\\u00";
        } else {
            out += static_cast<char>(c);
            continue;
        }
        out += kHex[c >> 4];
        out += kHex[c & 15];
    }
    return out;
}

// A call made without the client under test, to the double (HTTPS) or the service's metrics.
std::string CallHelper(const wchar_t* host, INTERNET_PORT port, DWORD flags, const wchar_t* method, const wchar_t* path,
                       const std::string& body) {
    WinHttpHandle session(WinHttpOpen(L"MossquillTests", WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME,
                                      WINHTTP_NO_PROXY_BYPASS, 0));
    WinHttpHandle connection(WinHttpConnect(session.get(), host, port, 0));
    WinHttpHandle request(WinHttpOpenRequest(connection.get(), method, path, nullptr, WINHTTP_NO_REFERER,
                                             WINHTTP_DEFAULT_ACCEPT_TYPES, flags));
    const auto length = static_cast<DWORD>(body.size());
    if (!request ||
        !WinHttpSendRequest(request.get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0, const_cast<char*>(body.data()), length,
                            length, 0) ||
        !WinHttpReceiveResponse(request.get(), nullptr)) {
        std::fprintf(stderr, "%ls:%u unreachable: error %lu\n", host, port, GetLastError());
        return {};
    }
    std::string answer;
    for (DWORD available = 0; WinHttpQueryDataAvailable(request.get(), &available) && available > 0;) {
        std::string chunk(available, '\0');
        DWORD read = 0;
        if (!WinHttpReadData(request.get(), chunk.data(), available, &read)) break;
        answer.append(chunk.data(), read);
    }
    return answer;
}

std::string CallDouble(const wchar_t* method, const wchar_t* path, const std::string& body) {
    return CallHelper(kDoubleHost, 443, WINHTTP_FLAG_SECURE, method, path, body);
}

}  // namespace

ServiceHosts MakeHosts(std::wstring_view gateway, std::wstring_view relay) {
    ServiceHosts hosts{};
    gateway.copy(hosts[kGatewayHostIndex].name, kServiceHostNameLength - 1);
    relay.copy(hosts[kRelayHostIndex].name, kServiceHostNameLength - 1);
    return hosts;
}

bool TrustTestCertificateAuthority(std::wstring& problem) {
    const wchar_t* path = _wgetenv(L"MOSSQUILL_TEST_CA_DER");
    if (!path) {
        problem = L"MOSSQUILL_TEST_CA_DER is not set";
        return false;
    }
    std::ifstream file(path, std::ios::binary);
    std::vector<BYTE> der((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (der.empty()) {
        problem = std::wstring(L"cannot read ") + path;
        return false;
    }
    if (!CertAddEncodedCertificateToSystemStoreW(L"Root", der.data(), static_cast<DWORD>(der.size()))) {
        problem = L"the Root store refused the test CA: error " + std::to_wstring(GetLastError());
        return false;
    }
    return true;
}

void ResetDouble() { CallDouble(L"POST", L"/__double/reset", {}); }

void ScriptDouble(unsigned status, std::string_view body, int repeat) {
    CallDouble(L"POST", L"/__double/script",
               "{\"status\":" + std::to_string(status) + ",\"body\":\"" + EscapeForDouble(body) +
                   "\",\"repeat\":" + std::to_string(repeat) + "}");
}

std::string LastDoubleRequest() { return CallDouble(L"GET", L"/__double/last", {}); }

int DoubleRequestCount(std::wstring_view path) {
    return std::atoi(CallDouble(L"GET", (L"/__double/count?" + std::wstring(path)).c_str(), {}).c_str());
}

void ScriptDoubleSession(const std::vector<DoubleFrame>& frames) {
    std::string script = "{\"frames\":[";
    for (const DoubleFrame& frame : frames) {
        if (&frame != &frames.front()) script += ',';
        script += "{\"opcode\":" + std::to_string(frame.opcode) + ",\"fin\":" + (frame.fin ? "true" : "false") +
                  ",\"text\":\"" + EscapeForDouble(frame.text) + "\",\"repeat\":" + std::to_string(frame.repeat) + "}";
    }
    CallDouble(L"POST", L"/__double/websocket", script + "]}");
}

std::string DoubleSessionCloseStatus() { return CallDouble(L"GET", L"/__double/closed", {}); }

std::optional<long long> ServiceTlsHandshakes() {
    const wchar_t* address = _wgetenv(L"MOSSQUILL_TEST_METRICS");
    if (!address) return std::nullopt;
    const std::wstring hostAndPort(address);
    const std::size_t colon = hostAndPort.rfind(L':');
    if (colon == std::wstring::npos) return std::nullopt;
    const auto port = static_cast<INTERNET_PORT>(std::wcstoul(hostAndPort.c_str() + colon + 1, nullptr, 10));
    const std::string metrics = CallHelper(hostAndPort.substr(0, colon).c_str(), port, 0, L"GET", L"/metrics", {});
    static const std::string kCounter = "\nmossquill_tls_handshakes_total ";
    const std::size_t at = metrics.find(kCounter);
    if (at == std::string::npos) return std::nullopt;
    return std::atoll(metrics.c_str() + at + kCounter.size());
}

std::wstring PairDevices(OnlineClient& owner, OnlineClient& claimer) {
    std::wstring code;
    std::wstring error;
    if (!owner.CreatePairCode(code, &error) || !claimer.ClaimPairCode(code, &error)) return error;
    return {};
}

void ClearSettingsKey() { RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKeyPath); }

std::optional<std::vector<unsigned char>> ReadSettingBytes(const wchar_t* name, DWORD typeRestriction) {
    DWORD size = 0;
    if (RegGetValueW(HKEY_CURRENT_USER, kSettingsKeyPath, name, typeRestriction, nullptr, nullptr, &size) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    std::vector<unsigned char> data(size);
    if (RegGetValueW(HKEY_CURRENT_USER, kSettingsKeyPath, name, typeRestriction, nullptr, data.data(), &size) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    data.resize(size);
    return data;
}

void WriteSettingBytes(const wchar_t* name, DWORD type, const void* data, DWORD size) {
    RegistryKey key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKeyPath, 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.put(),
                        nullptr) == ERROR_SUCCESS) {
        RegSetValueExW(key.get(), name, 0, type, static_cast<const BYTE*>(data), size);
    }
}

std::wstring FakeToken(wchar_t fill) { return std::wstring(64, fill); }

std::wstring SiblingProgramPath(const wchar_t* fileName) {
    wchar_t self[MAX_PATH];
    const std::wstring path(self, GetModuleFileNameW(nullptr, self, MAX_PATH));
    return path.substr(0, path.find_last_of(L"\\/") + 1) + fileName;
}

std::optional<ChildResult> RunSiblingProgram(const wchar_t* fileName) {
    const std::wstring path = SiblingProgramPath(fileName);

    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return std::nullopt;
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION process{};
    std::wstring commandLine = L"\"" + path + L"\"";
    const bool started = CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                        &startup, &process);
    CloseHandle(writeEnd);
    if (!started) {
        CloseHandle(readEnd);
        return std::nullopt;
    }
    ChildResult result;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(readEnd, buffer, sizeof(buffer), &read, nullptr) && read > 0)
        result.output.append(buffer, read);
    CloseHandle(readEnd);
    WaitForSingleObject(process.hProcess, 30000);
    GetExitCodeProcess(process.hProcess, &result.exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return result;
}
