// The rules of a claim, the same whatever engine keeps the data: a valid code of another
// device, not yet friends, both below the friend limit; then the friendship is made and
// the code used up, all in one transaction.
#include "store/store.h"

#include <stdexcept>

namespace mossquill::service {

ClaimOutcome Store::ClaimPairCode(std::string_view claimerId, std::string_view code, TimePoint now,
                                  std::size_t maxFriends) {
    const std::unique_ptr<Transaction> transaction = BeginClaim();
    const std::optional<std::string> ownerId = LockCodeOwner(code, now);
    if (!ownerId) {
        return {ClaimResult::InvalidCode, {}};
    }
    if (*ownerId == claimerId) {
        return {ClaimResult::OwnCode, {}};
    }
    const auto [low, high] = OrderedPair(claimerId, *ownerId);
    LockDevices(low, high);
    if (AreFriends(low, high)) {
        return {ClaimResult::AlreadyFriends, {}};
    }
    if (FriendCount(claimerId) >= maxFriends || FriendCount(*ownerId) >= maxFriends) {
        return {ClaimResult::FriendLimit, {}};
    }
    // Read inside the transaction, so the answer never needs a lookup after the commit.
    std::optional<DeviceRecord> owner = FindDevice(*ownerId);
    if (!owner) {
        throw std::runtime_error("pairing code of a missing device");
    }
    AddFriendship(low, high, now);
    DeleteCode(code);
    transaction->Commit();
    return {ClaimResult::Claimed, std::move(*owner)};
}

}  // namespace mossquill::service
