// The program's icon as Windows reads it from the executable: the group the shell shows and each image in it.
#include "installed_pet.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

namespace {

#pragma pack(push, 2)
struct IconGroupHeader {
    WORD reserved;
    WORD type;
    WORD count;
};
struct IconGroupEntry {
    BYTE width;
    BYTE height;
    BYTE colourCount;
    BYTE reserved;
    WORD planes;
    WORD bitCount;
    DWORD bytesInResource;
    WORD id;
};
#pragma pack(pop)

BOOL CALLBACK RememberFirstGroup(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR param) {
    *reinterpret_cast<LPCWSTR*>(param) = name;
    return FALSE;
}

std::pair<const BYTE*, DWORD> ResourceBytes(HMODULE module, LPCWSTR name, LPCWSTR type) {
    HRSRC found = FindResourceW(module, name, type);
    if (!found) return {nullptr, 0};
    return {static_cast<const BYTE*>(LockResource(LoadResource(module, found))), SizeofResource(module, found)};
}

class ProgramIcon : public ::testing::Test {
protected:
    void SetUp() override {
        program_ = installed::EnvironmentPath(L"MOSSQUILL_PET");
        module_ = LoadLibraryExW(program_.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        ASSERT_NE(module_, nullptr) << installed::Narrow(program_);
    }
    void TearDown() override {
        if (module_) FreeLibrary(module_);
    }

    std::wstring program_;
    HMODULE module_ = nullptr;
};

TEST_F(ProgramIcon, TheShellsIconHoldsEverySizeAsA32BitImageThatWindowsCanDecode) {
    // Explorer, shortcuts and "Apps" show the first icon group.
    LPCWSTR first = nullptr;
    EnumResourceNamesW(module_, RT_GROUP_ICON, RememberFirstGroup, reinterpret_cast<LONG_PTR>(&first));
    ASSERT_NE(first, nullptr) << "the program has no icon";
    ASSERT_TRUE(IS_INTRESOURCE(first));
    EXPECT_EQ(reinterpret_cast<ULONG_PTR>(first), 1u);

    const auto [group, groupSize] = ResourceBytes(module_, first, RT_GROUP_ICON);
    ASSERT_GE(groupSize, sizeof(IconGroupHeader));
    const auto* header = reinterpret_cast<const IconGroupHeader*>(group);
    ASSERT_EQ(header->type, 1);
    ASSERT_EQ(groupSize, sizeof(IconGroupHeader) + header->count * sizeof(IconGroupEntry));
    const auto* entries = reinterpret_cast<const IconGroupEntry*>(group + sizeof(IconGroupHeader));

    std::set<int> sizes;
    for (WORD i = 0; i < header->count; ++i) {
        const IconGroupEntry& entry = entries[i];
        const int size = entry.width == 0 ? 256 : entry.width;
        SCOPED_TRACE(size);
        EXPECT_EQ(entry.width, entry.height);
        EXPECT_EQ(entry.bitCount, 32);
        sizes.insert(size);

        const auto [image, imageSize] = ResourceBytes(module_, MAKEINTRESOURCEW(entry.id), RT_ICON);
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(imageSize, entry.bytesInResource);
        HICON icon = CreateIconFromResourceEx(const_cast<BYTE*>(image), imageSize, TRUE, 0x00030000, size, size, 0);
        ASSERT_NE(icon, nullptr);
        ICONINFO info{};
        ASSERT_TRUE(GetIconInfo(icon, &info));
        BITMAP colour{};
        ASSERT_NE(GetObjectW(info.hbmColor, sizeof(colour), &colour), 0);
        EXPECT_EQ(colour.bmWidth, size);
        EXPECT_EQ(colour.bmHeight, size);
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
        DestroyIcon(icon);
    }
    EXPECT_EQ(sizes, (std::set<int>{16, 20, 24, 32, 40, 48, 64, 256}));

    // Windows picks the exact image for the sizes it draws most.
    for (int size : {16, 32, 48, 256}) {
        const int id = LookupIconIdFromDirectoryEx(const_cast<BYTE*>(group), TRUE, size, size, LR_DEFAULTCOLOR);
        const auto* chosen =
            std::find_if(entries, entries + header->count, [&](const IconGroupEntry& e) { return e.id == id; });
        ASSERT_NE(chosen, entries + header->count);
        EXPECT_EQ(chosen->width == 0 ? 256 : chosen->width, size);
    }
}

TEST_F(ProgramIcon, TheShellExtractsItFromTheProgramFile) {
    HICON large = nullptr;
    HICON small = nullptr;
    ASSERT_GE(ExtractIconExW(program_.c_str(), -1, nullptr, nullptr, 0), 1u);
    ASSERT_GE(ExtractIconExW(program_.c_str(), 0, &large, &small, 1), 1u);
    EXPECT_NE(large, nullptr);
    EXPECT_NE(small, nullptr);
    DestroyIcon(large);
    DestroyIcon(small);
}

}  // namespace
