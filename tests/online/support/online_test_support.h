// What the online client tests share: the hosts of the test network, the scripted test double,
// the pet's settings key and a child process whose output is read back.
#pragma once

#include "online/online_client.h"
#include "online/service_hosts.h"

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Names the fixture maps to loopback addresses: the real service listens on the two names of
// kServiceHosts, the double on kDoubleHost; kStrangerHost reaches the double under a name its
// certificate does not carry; nothing listens on kDownHost.
inline constexpr wchar_t kDoubleHost[] = L"double.mossquill.test";
inline constexpr wchar_t kStrangerHost[] = L"stranger.mossquill.test";
inline constexpr wchar_t kDownHost[] = L"down.mossquill.test";
extern const std::wstring kGatewayHost;
extern const std::wstring kRelayHost;

ServiceHosts MakeHosts(std::wstring_view gateway, std::wstring_view relay);

// Adds the test CA (DER file named by MOSSQUILL_TEST_CA_DER) to this prefix's Root store.
bool TrustTestCertificateAuthority(std::wstring& problem);

// The double answers the next request with each scripted answer in turn, then echoes raw
// requests back. Status kHangUp closes the connection without an answer; kStallInBody answers
// 200 with the first half of the body, then stays silent for 30 s.
inline constexpr unsigned kHangUp = 0;
inline constexpr unsigned kStallInBody = 2;
// Answers 200 and sends the body one byte a second.
inline constexpr unsigned kTrickleBody = 3;
// Sends the header lines one byte a second, for as many seconds as the body has bytes.
inline constexpr unsigned kTrickleHeaders = 4;
void ResetDouble();
void ScriptDouble(unsigned status, std::string_view body, int repeat = 1);
// The raw bytes of the last request the double received since the reset; empty when none.
std::string LastDoubleRequest();
// How many requests for the path the double received since the reset.
int DoubleRequestCount(std::wstring_view path);

// One WebSocket frame the double sends: opcode 1 text, 0 continuation, 2 binary, 8 close; the
// payload is `text` repeated `repeat` times.
struct DoubleFrame {
    int opcode = 1;
    bool fin = true;
    std::string text;
    int repeat = 1;
};
// The double accepts the next WebSocket upgrade, sends these frames, then waits for the client
// to close. Without a scripted session an upgrade is echoed like any other request (no 101).
void ScriptDoubleSession(const std::vector<DoubleFrame>& frames);
// The close status the client sent on the double's last live session, in decimal; empty when none.
std::string DoubleSessionCloseStatus();

// How many TLS handshakes the real service has completed since it started, from its metrics (on
// the address MOSSQUILL_TEST_METRICS names); nothing when they cannot be read.
std::optional<long long> ServiceTlsHandshakes();

// Makes two registered devices friends with a pairing code of the owner's that the claimer
// claims; empty on success, otherwise the failure text.
std::wstring PairDevices(OnlineClient& owner, OnlineClient& claimer);

// Removes the pet's settings key, as on a computer the pet never ran on.
void ClearSettingsKey();
std::optional<std::vector<unsigned char>> ReadSettingBytes(const wchar_t* name, DWORD typeRestriction);
void WriteSettingBytes(const wchar_t* name, DWORD type, const void* data, DWORD size);

// A made-up token of 64 characters.
std::wstring FakeToken(wchar_t fill = L'a');

// The path of a program in the same directory as this test.
std::wstring SiblingProgramPath(const wchar_t* fileName);
// Runs a program of the same directory as this test and returns its exit code and output.
struct ChildResult {
    DWORD exitCode = 0;
    std::string output;
};
std::optional<ChildResult> RunSiblingProgram(const wchar_t* fileName);
