#pragma once

#include "online/online_friend.h"

#include <vector>

// Puts a friend list into the order every friend menu shows: online friends first, then by
// nickname without regard to case; friends equal under both keep the order the service sent.
void SortFriends(std::vector<OnlineFriend>& friends);
