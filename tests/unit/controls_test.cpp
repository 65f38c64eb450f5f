// Drag modes and factors, the wheel, the slider mapping and the colour chooser conversion.
#include <gtest/gtest.h>

#include "app/controls.h"

TEST(Controls, DragModeByKeysHeldAtThePress)
{
    struct Case {
        bool ctrl, shift, alt;
        DragMode mode;
    };
    const Case cases[] = {
        {false, false, false, DragMode::Move},   {false, true, false, DragMode::Turn},
        {true, false, false, DragMode::Tilt},    {false, false, true, DragMode::Temples},
        {true, true, false, DragMode::LightPad}, {true, true, true, DragMode::LightPad},
        {false, true, true, DragMode::Turn},     {true, false, true, DragMode::Tilt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(chooseDragMode(c.ctrl, c.shift, c.alt), c.mode) << c.ctrl << c.shift << c.alt;
}

TEST(Controls, DragsChangeTheirFieldsFromTheStartValues)
{
    SceneParameters p;
    DragStart start = dragStartFrom(p);
    applyDrag(DragMode::Turn, start, 100, 50, p);
    EXPECT_FLOAT_EQ(p.turnX, 0.5f);
    EXPECT_FLOAT_EQ(p.turnY, -1.0f);
    // The change is relative to the press, not accumulated.
    applyDrag(DragMode::Turn, start, 100, 50, p);
    EXPECT_FLOAT_EQ(p.turnX, 0.5f);

    applyDrag(DragMode::Tilt, start, 30, 999, p);
    EXPECT_FLOAT_EQ(p.tilt, 0.3f);
    applyDrag(DragMode::LightPad, start, 50, -50, p);
    EXPECT_FLOAT_EQ(p.lightPadX, 0.0f);
    EXPECT_FLOAT_EQ(p.lightPadY, -1.0f);

    // Temple start values are clamped at the press.
    p.templeDiff = 3.0f;
    p.templeMean = -2.0f;
    start = dragStartFrom(p);
    applyDrag(DragMode::Temples, start, -20, 50, p);
    EXPECT_FLOAT_EQ(p.templeDiff, 0.8f);
    EXPECT_FLOAT_EQ(p.templeMean, 0.5f);
    EXPECT_EQ(leftTemple(p), 1.0f);
    EXPECT_EQ(rightTemple(p), 0.0f);

    const SceneParameters before = p;
    applyDrag(DragMode::Move, start, 10, 10, p);
    EXPECT_EQ(p.turnX, before.turnX);
}

TEST(Controls, WheelSizesAndTransparency)
{
    EXPECT_EQ(nextRenderSize(400, -120, false), 396);
    EXPECT_EQ(nextRenderSize(400, -120, true), 368);
    EXPECT_EQ(nextRenderSize(400, 120, false), 404);
    EXPECT_EQ(nextRenderSize(400, 0, false), 404);  // a delta of 0 counts as up
    int32_t size = 400;
    for (int i = 0; i < 9; ++i)
        size = nextRenderSize(size, -120, true);
    EXPECT_EQ(size, 112);
    size = nextRenderSize(size, -120, true);  // 80 would be below the floor
    EXPECT_EQ(size, 100);
    EXPECT_EQ(nextRenderSize(size, -120, true), 100);
    EXPECT_EQ(nextRenderSize(1196, 120, false), 1200);
    EXPECT_EQ(nextRenderSize(1200, 120, true), 1200);

    SceneParameters p;
    applyTransparencyWheel(-1, p);
    EXPECT_FLOAT_EQ(p.lens.alphaOffset, -0.02f);
    applyTransparencyWheel(0, p);
    applyTransparencyWheel(999, p);
    EXPECT_FLOAT_EQ(p.lens.alphaOffset, 0.02f);
}

TEST(Controls, SliderMappingAtTheBounds)
{
    SceneParameters p;
    p.turnX = -kHalfPi;
    p.tilt = kPi;
    SliderPositions s = slidersFromScene(p);
    EXPECT_EQ(s.turnX, -32767);
    EXPECT_EQ(s.tilt, 32767);

    // Each temple slider shows its own side's length, 0.5 at the middle position.
    p.templeDiff = 0.25f;
    p.templeMean = 0.5f;
    s = slidersFromScene(p);
    EXPECT_EQ(s.leftTemple, 16384);
    EXPECT_EQ(s.rightTemple, -16384);
    p.templeDiff = -0.5f;
    p.templeMean = 1.0f;
    s = slidersFromScene(p);
    EXPECT_EQ(s.leftTemple, 0);
    EXPECT_EQ(s.rightTemple, 32767);

    s = {};
    s.leftTemple = -32768;
    s.rightTemple = 32767;
    sceneFromSliders(s, p);
    EXPECT_FLOAT_EQ(p.templeDiff, -0.49999237f);
    EXPECT_FLOAT_EQ(p.templeMean, 0.49999237f);
    EXPECT_EQ(leftTemple(p), 0.0f);
    EXPECT_FLOAT_EQ(rightTemple(p), 0.99998474f);

    s.leftTemple = 32767;
    s.rightTemple = -32768;
    sceneFromSliders(s, p);
    EXPECT_FLOAT_EQ(leftTemple(p), 0.99998474f);
    EXPECT_EQ(rightTemple(p), 0.0f);

    s.transparency = 16384;
    sceneFromSliders(s, p);
    EXPECT_FLOAT_EQ(p.lens.alphaOffset, 0.5f);
}

TEST(Controls, SliderRoundTripsSettleAtMostOneStepTowardZero)
{
    for (int32_t pos : {-32768, -32767, -16384, -1, 0, 1, 12345, 16384, 32767}) {
        SliderPositions s{pos, pos, pos, pos, pos, pos};
        SceneParameters p;
        sceneFromSliders(s, p);
        const SliderPositions back = slidersFromScene(p);
        for (int32_t v : {back.turnX, back.turnY, back.tilt, back.transparency}) {
            EXPECT_LE(std::abs(v - pos), 1) << pos;
            EXPECT_LE(std::abs(v), std::abs(pos)) << pos;
        }
    }
    // Values far outside the range are clamped as the trackbar clamps them.
    SceneParameters p;
    p.turnX = 10.0f;
    p.lens.alphaOffset = -5.0f;
    const SliderPositions s = slidersFromScene(p);
    EXPECT_EQ(s.turnX, 32767);
    EXPECT_EQ(s.transparency, -32768);
}

TEST(Controls, ColourChooserConversion)
{
    LensColourRecord lens{1.0f, 0.5f, 0.0f, 0.3f};
    EXPECT_EQ(chooserColourFromLens(lens), 0x00007FFFu);
    lensFromChooserColour(0x00FF8000, lens);
    EXPECT_EQ(lens.r, 0.0f);
    EXPECT_FLOAT_EQ(lens.g, 128 * 0.003921569f);
    EXPECT_FLOAT_EQ(lens.b, 1.0f);
    EXPECT_EQ(lens.alphaOffset, 0.3f);  // the chooser leaves the transparency alone
}
