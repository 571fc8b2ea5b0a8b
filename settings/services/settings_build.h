// Which driver library this copy of the settings model is built into. The
// graphics driver's build and the interface library's build differ in a few
// places only; each is decided with this constant.
#pragma once

#ifndef PK_SETTINGS_GRAPHICS_DRIVER
#error "PK_SETTINGS_GRAPHICS_DRIVER must be set by the settings_driver or settings_interface target"
#endif

constexpr bool kSettingsGraphicsDriverBuild = PK_SETTINGS_GRAPHICS_DRIVER != 0;

// The build the library itself was compiled for (a caller's own view of the
// constant could differ if it were built with another switch).
bool SettingsBuiltForGraphicsDriver();
