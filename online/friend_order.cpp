#include "online/friend_order.h"

#include <algorithm>
#include <cwchar>

void SortFriends(std::vector<OnlineFriend>& friends) {
    std::stable_sort(friends.begin(), friends.end(), [](const OnlineFriend& a, const OnlineFriend& b) {
        if (a.online != b.online) return a.online;
        return _wcsicmp(a.nickname.c_str(), b.nickname.c_str()) < 0;
    });
}
