// What the filter dialog tests share: a module's filter opened through
// HXF_Setup of the real DLL over a test image, and the preview's picture
// computed independently of the plug-in's code.
#pragma once
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "support/DialogControls.h"
#include "support/DialogDriver.h"
#include "support/PluginSandbox.h"

constexpr int kWidth = 60;
constexpr int kHeight = 40;

// The image in the dialog, and where the pane shows it from in a direction
// in which it does not fit.
struct View {
    int width = kWidth, height = kHeight, scrollX = 0, scrollY = 0;
};

// Colours that every amount changes visibly; a column of alpha 0, one of 128.
std::vector<Bgra32> TestImage(const View& view = {});

// The pane as it must look for the image with each pixel through `filter`.
::testing::AssertionResult PaneShowsFiltered(HWND dialog, const std::vector<Bgra32>& image,
                                             const std::function<Bgra32(const Bgra32&)>& filter,
                                             const View& view = {});

// Filter `index` of module `built` over `image`, its dialog driven by `driver`.
class FilterDialogTest : public ::testing::Test {
protected:
    FilterDialogTest(const std::string& built, int index) : plugin("", built, true, built), index(index) {}

    PluginSandbox plugin;
    int index;
    View view;
    std::vector<Bgra32> image = TestImage();
    DialogDriver driver;

    std::int32_t Open() { return Open(driver); }
    std::int32_t Open(DialogDriver& with)
    {
        return static_cast<std::int32_t>(
            with.Run([&](HWND owner) { return plugin.Setup(index, owner, image.data(), view.width, view.height); }));
    }
};
