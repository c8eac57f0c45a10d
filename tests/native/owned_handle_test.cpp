#include "core/owned_handle.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

std::vector<int> g_closed;

void CloseFake(int* handle) { g_closed.push_back(*handle); }

using FakeHandle = OwnedHandle<int*, CloseFake>;

TEST(OwnedHandle, ClosesEachHandleOnceWhereverItsOwnershipGoes) {
    int a = 1;
    int b = 2;
    int c = 3;
    g_closed.clear();
    {
        FakeHandle first(&a);
        FakeHandle moved(std::move(first));
        EXPECT_FALSE(first);
        EXPECT_EQ(moved.get(), &a);

        FakeHandle other(&b);
        other = std::move(moved);
        EXPECT_EQ(g_closed, (std::vector<int>{2})) << "the handle assigned over is closed";

        *other.put() = &c;
        EXPECT_EQ(g_closed, (std::vector<int>{2, 1})) << "a handle handed out anew closes the old one";
        EXPECT_EQ(other.release(), &c);
        EXPECT_FALSE(other);

        FakeHandle last(&b);
        last = std::move(last);
    }
    EXPECT_EQ(g_closed, (std::vector<int>{2, 1, 2})) << "moved-from and released handles are not closed";
}

}  // namespace
