#pragma once

#include <cstddef>

// Limits both sides hold a field to. The service counts characters as code points; the pet's
// text boxes, in UTF-16 units, can only be stricter.
namespace mossquill::protocol {

inline constexpr std::size_t kMaxNicknameCharacters = 12;
inline constexpr std::size_t kMaxNoteCharacters = 60;
// A pairing code is this many ASCII digits.
inline constexpr std::size_t kPairingCodeLength = 6;
// Friends one pet may have.
inline constexpr std::size_t kMaxFriends = 500;
// Appearances are numbered 0..kMaxAppearance.
inline constexpr int kMaxAppearance = 3;

}  // namespace mossquill::protocol
