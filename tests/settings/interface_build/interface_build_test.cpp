// The interface library's build of the settings model runs the same tests as
// the graphics driver's build (each shared test file of tests/settings is
// included here), plus the check of its own switch.
#include <gtest/gtest.h>

#include "settings/services/settings_build.h"

#include "settings/dependent_values_test.cpp"
#include "settings/devmode_buffer_test.cpp"
#include "settings/module_services_test.cpp"
#include "settings/oem_text_test.cpp"
#include "settings/setting_access_test.cpp"
#include "settings/setting_compare_test.cpp"
#include "settings/setting_table_test.cpp"

TEST(SettingsBuild, InterfaceLibraryBuild) { EXPECT_FALSE(SettingsBuiltForGraphicsDriver()); }
