// The pictures drawn by code: the icon file's structure, the icon's transparency, the frame
// buttons, and the copy of the icon the Windows build embeds.
#include "shell/Artwork.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace hivelet::shell {
namespace {

uint32_t U16(const std::vector<uint8_t>& b, size_t at) {
    return b.at(at) | (b.at(at + 1) << 8);
}
uint32_t U32(const std::vector<uint8_t>& b, size_t at) {
    return U16(b, at) | (U16(b, at + 2) << 16);
}

TEST(ArtworkTest, IconFileDirectoryPointsAtEachPictureInTurn) {
    ui::Bitmap small(16, 16, 0x00000000u), wide(40, 3, 0xFF102030u);
    small.At(1, 0) = 0xFFFFFFFFu;
    const std::vector<uint8_t> file = EncodeIconFile({small, wide});
    ASSERT_GE(file.size(), 6u + 32u);
    EXPECT_EQ(U16(file, 0), 0u);
    EXPECT_EQ(U16(file, 2), 1u); // icon
    EXPECT_EQ(U16(file, 4), 2u);

    size_t expectedOffset = 6 + 2 * 16;
    const ui::Bitmap* pictures[] = {&small, &wide};
    for (size_t i = 0; i < 2; ++i) {
        const ui::Bitmap& p = *pictures[i];
        const size_t entry = 6 + 16 * i;
        EXPECT_EQ(file[entry], p.width);
        EXPECT_EQ(file[entry + 1], p.height);
        EXPECT_EQ(U16(file, entry + 6), 32u);
        const uint32_t bytes = U32(file, entry + 8);
        const uint32_t offset = U32(file, entry + 12);
        EXPECT_EQ(offset, expectedOffset);
        const size_t maskStride = ((p.width + 31) / 32) * 4;
        EXPECT_EQ(bytes, 40 + p.width * p.height * 4 + maskStride * p.height);
        // The bitmap header covers colour rows and mask: twice the height.
        EXPECT_EQ(U32(file, offset), 40u);
        EXPECT_EQ(U32(file, offset + 4), uint32_t(p.width));
        EXPECT_EQ(U32(file, offset + 8), uint32_t(p.height * 2));
        expectedOffset += bytes;
    }
    EXPECT_EQ(file.size(), expectedOffset);

    // Bottom-up BGRA rows: the top row of the 16 x 16 picture is the last colour row.
    const size_t first = 6 + 32 + 40;
    const size_t topRow = first + 15 * 16 * 4;
    EXPECT_EQ(U32(file, topRow + 4), 0xFFFFFFFFu);
    // Its mask row (the last of the mask) marks the transparent pixel 0 and not pixel 1.
    const size_t maskTop = first + 16 * 16 * 4 + 15 * 4;
    EXPECT_EQ(file[maskTop] & 0xC0, 0x80);
}

TEST(ArtworkTest, OversizedPicturesAreRefused) {
    EXPECT_THROW(EncodeIconFile({ui::Bitmap(257, 16)}), std::invalid_argument);
    EXPECT_THROW(EncodeIconFile({ui::Bitmap()}), std::invalid_argument);
}

TEST(ArtworkTest, TheIconIsATileWithTransparentCorners) {
    for (int size : {16, 32, 48}) {
        const ui::Bitmap icon = DrawProgramIcon(size);
        ASSERT_EQ(icon.width, size);
        EXPECT_EQ(icon.At(0, 0) >> 24, 0u) << size;
        EXPECT_EQ(icon.At(size - 1, size - 1) >> 24, 0u) << size;
        EXPECT_EQ(icon.At(size / 2, size / 2) >> 24, 0xFFu) << size;
        EXPECT_EQ(icon.At(size / 2, 2) >> 24, 0xFFu) << size;
    }
}

TEST(ArtworkTest, FrameButtonsShowTheirStates) {
    for (auto draw : {&DrawMinimizeButton, &DrawCloseButton}) {
        const ui::Bitmap normal = draw(FrameButtonState::Normal);
        const ui::Bitmap hover = draw(FrameButtonState::Hover);
        const ui::Bitmap pressed = draw(FrameButtonState::Pressed);
        ASSERT_EQ(normal.width, 24);
        ASSERT_EQ(normal.height, 24);
        EXPECT_NE(normal.pixels, hover.pixels);
        EXPECT_NE(hover.pixels, pressed.pixels);
        // A glyph in the middle, on a plain ground at the corner.
        EXPECT_NE(normal.At(12, 15), normal.At(2, 2));
        // Opaque: the pictures are drawn on the title band, not blended by the backend.
        for (uint32_t px : normal.pixels)
            ASSERT_EQ(px >> 24, 0xFFu);
    }
}

TEST(ArtworkTest, TheEmbeddedIconIsTheDrawnOne) {
#if defined(_WIN32)
    GTEST_SKIP() << "compared by the native build, which wrote it";
#else
    std::ifstream in(std::string(HIVELET_SOURCE_DIR) + "/shell/Hivelet.ico", std::ios::binary);
    ASSERT_TRUE(in) << "shell/Hivelet.ico is missing";
    const std::vector<uint8_t> kept{std::istreambuf_iterator<char>(in), {}};
    EXPECT_TRUE(kept == ProgramIconFile())
        << "shell/Hivelet.ico is out of date: rewrite it with hivelet-icon shell/Hivelet.ico";
#endif
}

} // namespace
} // namespace hivelet::shell
