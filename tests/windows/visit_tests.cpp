// Visits at the pet: the card's timing and size, its pixels on the composed surface, and a visit
// arriving at a windowless pet.
#include "render/dib_surface.h"
#include "render/frame_renderer.h"
#include "core/picture_ids.h"
#include "render/visit_card.h"
#include "support/offline_pet.h"
#include "support/test_pictures.h"
#include "visits/visit_queue.h"

#include <gtest/gtest.h>

namespace {

IncomingVisit Visit(std::wstring nickname, std::wstring action = L"greet", std::wstring note = L"",
                    int appearance = 0) {
    return IncomingVisit{L"id-" + nickname, nickname, std::move(action), std::move(note), appearance};
}

TEST(VisitCardState, ArtAlonePetsFadeInArtFadesOut) {
    EXPECT_EQ(VisitPhaseAt(2850, true).pairAlpha, 0.0f);
    EXPECT_EQ(VisitPhaseAt(2850, true).artAlpha, 1.0f);
    EXPECT_NEAR(VisitPhaseAt(3000, true).pairAlpha, 150.0f / 450, 1e-4);
    EXPECT_EQ(VisitPhaseAt(3000, true).artAlpha, 1.0f);
    EXPECT_NEAR(VisitPhaseAt(3150, true).artAlpha, 0.5f, 1e-4);
    EXPECT_EQ(VisitPhaseAt(3300, true).artAlpha, 0.0f);
    EXPECT_EQ(VisitPhaseAt(3300, true).pairAlpha, 1.0f);
    EXPECT_EQ(VisitPhaseAt(0, false).pairAlpha, 1.0f) << "no art: the pair from the first frame";
    const SIZE small = VisitCardSize(175), large = VisitCardSize(285);
    EXPECT_EQ(small.cx * 1000 + small.cy, 440300);
    EXPECT_EQ(large.cx * 1000 + large.cy, 622381);
}

class VisitCardPixels : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(session.Start()); }
    static void TearDownTestSuite() { session.Shutdown(); }
    void SetUp() override {
        // Pure colours: the art red, the own pet green, the visitor blue.
        for (auto [id, colour] : {std::pair{PIC_EAT, 0xFFFF0000u}, std::pair{PIC_APPEARANCE0_BASE, 0xFF00FF00u},
                                  std::pair{PIC_APPEARANCE3_BASE, 0xFF0000FFu}}) {
            const std::vector<uint8_t> png = EncodePng(40, 40, [colour](int, int) { return colour; });
            images.Add(id, png.data(), png.size());
        }
        card = VisitCardDescription{
            440, 300, L"小绿", L"我", L"一起吃饭", PIC_EAT, PIC_APPEARANCE0_BASE, PIC_APPEARANCE3_BASE,
            L"", 0,   10,      false};
    }
    // Pixels of the box that are plainly the one colour channel (shift 16 red, 8 green, 0 blue).
    static int Count(const DibSurface& surface, int shift, int x0, int y0, int x1, int y1) {
        int count = 0;
        for (int y = y0; y < y1; ++y) {
            for (int x = x0; x < x1; ++x) {
                const uint32_t p = surface.PixelAt(x, y);
                bool plain = ((p >> shift) & 0xFF) > 0xC0;
                for (int other : {0, 8, 16})
                    plain = plain && (other == shift || ((p >> other) & 0xFF) < 0x40);
                count += plain;
            }
        }
        return count;
    }
    static GdiplusSession session;
    ImageCatalogue images;
    FrameRenderer renderer{images};
    VisitCardDescription card;
};
GdiplusSession VisitCardPixels::session;

TEST_F(VisitCardPixels, PhasesWithAndWithoutANote) {
    for (const bool withNote : {false, true}) {
        SCOPED_TRACE(withNote);
        card.note = withNote ? L"你好" : L"";
        struct Moment {
            uint64_t elapsed;
            bool art;
            bool pair;
        };
        for (const Moment m : {Moment{2850, true, false}, Moment{3000, true, true}, Moment{3300, false, true}}) {
            SCOPED_TRACE(m.elapsed);
            card.elapsedMs = m.elapsed;
            DibSurface surface(440, 300);
            ASSERT_EQ(renderer.ComposeVisitCard(card, surface), std::optional<BYTE>(255));
            // The card itself: translucent cream inside the rounded corners, clear at the very corner.
            EXPECT_EQ(surface.PixelAt(0, 0) >> 24, 0u);
            EXPECT_EQ(surface.PixelAt(220, 296) >> 24, 0xAFu);
            const int red = Count(surface, 16, 0, 43, 440, 260);
            const int green = Count(surface, 8, 8, 61, 216, 300);
            const int blue = Count(surface, 0, 224, 61, 432, 300);
            EXPECT_EQ(red > 1000, m.art);
            EXPECT_EQ(green > 1000, m.pair && m.elapsed >= 3300);
            EXPECT_EQ(blue > 1000, m.pair && m.elapsed >= 3300);
            if (m.elapsed < 3300) continue;
            // The pet boxes end 48 pixels higher with a note; the note box sits above the footer.
            const int petBottom = withNote ? 61 + 300 - 43 - 88 - 18 : 61 + 300 - 43 - 40 - 18;
            EXPECT_GT(Count(surface, 8, 8, petBottom - 10, 216, petBottom), 100);
            EXPECT_EQ(Count(surface, 8, 8, petBottom + 2, 216, 300), 0);
            const uint32_t noteCorner = surface.PixelAt(220, 300 - 76);  // between the pets
            EXPECT_EQ((noteCorner >> 24) >= 0xF0, withNote) << std::hex << noteCorner;
        }
    }
}

TEST_F(VisitCardPixels, KeptTextsFollowTheCountdownAndTheNextVisitor) {
    card.elapsedMs = 5000;
    auto footerAndTitle = [&] {
        DibSurface surface(440, 300);
        EXPECT_EQ(renderer.ComposeVisitCard(card, surface), std::optional<BYTE>(255));
        std::vector<uint32_t> rows;
        for (int y : {0, 1}) {
            const int top = y == 0 ? 300 - 36 : 6, bottom = top + 30;
            for (int row = top; row < bottom; ++row) {
                for (int x = 0; x < 440; ++x)
                    rows.push_back(surface.PixelAt(x, row));
            }
        }
        return rows;
    };
    const std::vector<uint32_t> tenSeconds = footerAndTitle();
    card.secondsLeft = 9;
    const std::vector<uint32_t> nineSeconds = footerAndTitle();
    EXPECT_NE(tenSeconds, nineSeconds) << "the footer counts down";
    card.secondsLeft = 10;
    EXPECT_EQ(footerAndTitle(), tenSeconds) << "the same texts give the same pixels";
    card.visitorNickname = L"小红";
    EXPECT_NE(footerAndTitle(), tenSeconds) << "the next visitor's name is in the title";
}

TEST(IncomingVisitAtThePet, EnergyBonusQueueAndEnd) {
    OfflinePet pet;
    pet.store.dwords[L"Energy"] = 98;
    PetApp& app = pet.Loaded();
    app.ShowIncomingVisit(Visit(L"a"));
    app.ShowIncomingVisit(Visit(L"b"));
    app.ShowIncomingVisit(Visit(L"c"));
    app.ShowIncomingVisit(Visit(L"d"));
    EXPECT_EQ(app.vitals().energy(), 100);
    EXPECT_EQ(pet.store.dwords[L"Energy"], 100u);
    EXPECT_EQ(app.visits().waiting(), 2u);

    pet.clock.Advance(2000);
    app.EndIncomingVisit();  // Escape
    EXPECT_EQ(app.visits().current().fromNickname, L"b");
    pet.clock.Advance(10000);
    app.OnFrameTimer();
    EXPECT_EQ(app.visits().current().fromNickname, L"c");
    pet.clock.Advance(10000);
    app.OnFrameTimer();
    EXPECT_FALSE(app.visits().showing());
    EXPECT_EQ(app.vitals().energy(), 100) << "a lost visit gives nothing, the others kept it full";
}

}  // namespace
