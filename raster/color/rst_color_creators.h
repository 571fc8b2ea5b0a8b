// Registers the colour nodes that the format readers reach by creator.
#pragma once

void rst_register_color_creators();
