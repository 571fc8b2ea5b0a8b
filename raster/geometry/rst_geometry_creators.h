// Registers the geometry nodes that the format readers reach by creator.
#pragma once

void rst_register_geometry_creators();
