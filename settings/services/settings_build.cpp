// The compile-time switch of this copy of the settings model, as the library saw it.
#include "settings/services/settings_build.h"

bool SettingsBuiltForGraphicsDriver() { return kSettingsGraphicsDriverBuild; }
