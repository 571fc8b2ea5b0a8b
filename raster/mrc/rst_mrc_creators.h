// Registers the MRC nodes that lower folders reach by creator.
#pragma once

void rst_register_mrc_creators();
