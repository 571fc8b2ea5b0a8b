// This test program links the graphics driver's build of the settings model.
#include <gtest/gtest.h>

#include "settings/services/settings_build.h"

TEST(SettingsBuild, GraphicsDriverBuild) { EXPECT_TRUE(SettingsBuiltForGraphicsDriver()); }
