// How much of each field the service sends the pet keeps. Every field is bounded where it is
// parsed, against these and nothing else; the service holds itself to the same numbers.
#pragma once

#include <cstddef>

// Shown names: longer ones are cut and end in "…".
inline constexpr std::size_t kMaxNicknameChars = 12;
// A drift note, as the sender's prompt allows it; longer ones are cut.
inline constexpr std::size_t kMaxNoteChars = 60;
// The service's own limit on one device's friends; entries beyond it are ignored.
inline constexpr std::size_t kMaxFriends = 500;
// A pairing code is exactly this many ASCII digits.
inline constexpr std::size_t kPairingCodeDigits = 6;
// Device ids name whom a visit or an answer goes to: a longer one is refused, never cut.
inline constexpr std::size_t kMaxDeviceIdChars = 64;
// Action ids and reaction words: a longer one is refused.
inline constexpr std::size_t kMaxWordChars = 16;
// An announcement: its id, title and version are cut, a longer download address is dropped.
inline constexpr std::size_t kMaxAnnouncementIdChars = 64;
inline constexpr std::size_t kMaxAnnouncementTitleChars = 40;
inline constexpr std::size_t kMaxVersionChars = 32;
inline constexpr std::size_t kMaxDownloadUrlChars = 512;
