// The id table's rows, the range table built from them and the flag masks.
// The rows keep the order of the layout tables (by byte position within each
// block), which is also the order in which each range's list is searched.
#include "settings/access/setting_table.h"

#include <array>

#include "settings/devmode/devmode_layout.h"

namespace {

constexpr SettingValueType I32 = kSettingTypeInt32;
constexpr SettingValueType I16 = kSettingTypeInt16;
constexpr SettingValueType U16 = kSettingTypeUInt16;
constexpr SettingValueType S32 = kSettingTypeSInt32;
constexpr SettingValueType U32 = kSettingTypeUInt32;
constexpr SettingValueType TXT = kSettingTypeText;
constexpr SettingValueType U8 = kSettingTypeUInt8;
constexpr SettingValueType FNT = kSettingTypeFontRecord;
constexpr SettingValueType FLD = kSettingTypeFontField;

}  // namespace

// {id, value type, returned type, 0, byte offset in the block, field size, 0}
extern const SettingDescriptor kSettingDescriptorTable[kSettingDescriptorCount];
constexpr SettingDescriptor kSettingDescriptorTable[kSettingDescriptorCount] = {
    // DriverDevMode: public DEVMODEW fields, then the private part from byte 220.
    {1, TXT, 0, 0, 0, 64, 0},
    {2, U16, 0, 0, 64, 0, 0},
    {3, U16, 0, 0, 66, 0, 0},
    {4, U16, 0, 0, 68, 0, 0},
    {5, U16, 0, 0, 70, 0, 0},
    {6, U32, 0, 0, 72, 0, 0},
    {7, I16, 0, 0, 76, 0, 0},
    {8, I16, 0, 0, 78, 0, 0},
    {9, I16, 0, 0, 80, 0, 0},
    {10, I16, 0, 0, 82, 0, 0},
    {11, I16, 0, 0, 84, 0, 0},
    {12, I16, 0, 0, 86, 0, 0},
    {13, I16, 0, 0, 88, 0, 0},
    {14, U32, 0, 0, 90, 0, 0},
    {20, I16, 0, 0, 90, 0, 0},
    {15, I16, 0, 0, 92, 0, 0},
    {16, I16, 0, 0, 94, 0, 0},
    {21, I16, 0, 0, 96, 0, 0},
    {17, I16, 0, 0, 98, 0, 0},
    {18, I16, 0, 0, 100, 0, 0},
    {19, TXT, 0, 0, 102, 64, 0},
    {22, U32, 0, 0, 188, 0, 0},
    {23, U32, 0, 0, 192, 0, 0},
    {24, U32, 0, 0, 196, 0, 0},
    {25, U32, 0, 0, 200, 0, 0},
    {257, U16, 0, 0, 220, 0, 0},
    {258, U16, 0, 0, 222, 0, 0},
    {259, TXT, 0, 0, 224, 64, 0},
    {260, U32, 0, 0, 288, 0, 0},
    {449, I32, 0, 0, 288, 0, 0},
    {450, I32, 0, 0, 288, 0, 0},
    {451, I32, 0, 0, 288, 0, 0},
    {452, I32, U32, 0, 288, 0, 0},
    {453, I32, 0, 0, 288, 0, 0},
    {454, I32, 0, 0, 288, 0, 0},
    {455, I32, 0, 0, 288, 0, 0},
    {456, I32, 0, 0, 288, 0, 0},
    {457, I32, 0, 0, 288, 0, 0},
    {458, I32, 0, 0, 288, 0, 0},
    {459, I32, 0, 0, 288, 0, 0},
    {460, I32, 0, 0, 288, 0, 0},
    {461, I32, 0, 0, 288, 0, 0},
    {462, I32, 0, 0, 288, 0, 0},
    {463, I32, 0, 0, 288, 0, 0},
    {464, I32, U8, 0, 288, 0, 0},
    {465, I32, U8, 0, 288, 0, 0},
    {466, I32, U8, 0, 288, 0, 0},
    {467, I32, 0, 0, 288, 0, 0},
    {468, I32, 0, 0, 288, 0, 0},
    {469, I32, 0, 0, 288, 0, 0},
    {470, I32, 0, 0, 288, 0, 0},
    {471, I32, 0, 0, 288, 0, 0},
    {472, I32, 0, 0, 288, 0, 0},
    {473, I32, 0, 0, 288, 0, 0},
    {474, I32, 0, 0, 288, 0, 0},
    {475, I32, 0, 0, 288, 0, 0},
    {476, I32, 0, 0, 288, 0, 0},
    {477, I32, 0, 0, 288, 0, 0},
    {478, I32, 0, 0, 288, 0, 0},
    {479, I32, 0, 0, 288, 0, 0},
    {480, I32, 0, 0, 288, 0, 0},
    {261, U32, 0, 0, 292, 0, 0},
    {481, I32, 0, 0, 292, 0, 0},
    {482, I32, 0, 0, 292, 0, 0},
    {483, I32, 0, 0, 292, 0, 0},
    {484, I32, 0, 0, 292, 0, 0},
    {485, I32, 0, 0, 292, 0, 0},
    {486, I32, 0, 0, 292, 0, 0},
    {487, I32, 0, 0, 292, 0, 0},
    {488, I32, 0, 0, 292, 0, 0},
    {489, I32, 0, 0, 292, 0, 0},
    {490, I32, U16, 0, 292, 0, 0},
    {491, I32, 0, 0, 292, 0, 0},
    {492, I32, 0, 0, 292, 0, 0},
    {493, I32, 0, 0, 292, 0, 0},
    {494, I32, 0, 0, 292, 0, 0},
    {495, I32, 0, 0, 292, 0, 0},
    {496, I32, 0, 0, 292, 0, 0},
    {497, I32, 0, 0, 292, 0, 0},
    {498, I32, 0, 0, 292, 0, 0},
    {499, I32, 0, 0, 292, 0, 0},
    {500, I32, 0, 0, 292, 0, 0},
    {501, I32, 0, 0, 292, 0, 0},
    {502, I32, 0, 0, 292, 0, 0},
    {503, I32, 0, 0, 292, 0, 0},
    {504, I32, 0, 0, 292, 0, 0},
    {505, I32, 0, 0, 292, 0, 0},
    {506, I32, 0, 0, 292, 0, 0},
    {507, I32, 0, 0, 292, 0, 0},
    {508, I32, 0, 0, 292, 0, 0},
    {509, I32, 0, 0, 292, 0, 0},
    {510, I32, 0, 0, 292, 0, 0},
    {511, I32, 0, 0, 292, 0, 0},
    {512, I32, 0, 0, 292, 0, 0},
    {262, U16, 0, 0, 296, 0, 0},
    {263, U16, 0, 0, 298, 0, 0},
    {264, U8, U16, 0, 300, 0, 0},
    {265, U16, 0, 0, 302, 0, 0},
    {266, U16, 0, 0, 304, 0, 0},
    {388, U16, 0, 0, 306, 0, 0},
    {267, U8, U16, 0, 308, 0, 0},
    {268, U16, 0, 0, 310, 0, 0},
    {269, U16, 0, 0, 312, 0, 0},
    {389, U16, 0, 0, 314, 0, 0},
    {270, U8, U16, 0, 316, 0, 0},
    {271, U16, 0, 0, 318, 0, 0},
    {390, U8, U16, 0, 320, 0, 0},
    {272, U8, U16, 0, 321, 0, 0},
    {273, U32, 0, 0, 324, 0, 0},
    {274, I16, 0, 0, 328, 0, 0},
    {275, I16, 0, 0, 330, 0, 0},
    {276, I16, 0, 0, 332, 0, 0},
    {277, I16, 0, 0, 334, 0, 0},
    {278, I16, 0, 0, 336, 0, 0},
    {279, I16, 0, 0, 338, 0, 0},
    {280, I16, 0, 0, 340, 0, 0},
    {281, I16, 0, 0, 342, 0, 0},
    {282, I16, 0, 0, 344, 0, 0},
    {283, I16, 0, 0, 346, 0, 0},
    {284, I16, 0, 0, 348, 0, 0},
    {285, I16, 0, 0, 350, 0, 0},
    {391, U8, U16, 0, 352, 0, 0},
    {392, U32, 0, 0, 356, 0, 0},
    {393, U32, 0, 0, 356, 0, 0},
    {394, U32, 0, 0, 356, 0, 0},
    {395, U32, 0, 0, 360, 0, 0},
    {396, U32, 0, 0, 360, 0, 0},
    {397, U32, 0, 0, 360, 0, 0},
    {398, U32, 0, 0, 364, 0, 0},
    {399, U32, 0, 0, 364, 0, 0},
    {400, U32, 0, 0, 364, 0, 0},
    {401, U32, 0, 0, 368, 0, 0},
    {402, U32, 0, 0, 368, 0, 0},
    {403, U32, 0, 0, 368, 0, 0},
    {286, U8, U16, 0, 372, 0, 0},
    {287, U8, U16, 0, 373, 0, 0},
    {288, U8, U16, 0, 374, 0, 0},
    {289, TXT, 0, 0, 376, 258, 0},
    {290, TXT, 0, 0, 634, 258, 0},
    {291, U8, U16, 0, 892, 0, 0},
    {292, U8, U16, 0, 893, 0, 0},
    {293, U8, U16, 0, 894, 0, 0},
    {294, U8, U16, 0, 895, 0, 0},
    {295, U8, U16, 0, 896, 0, 0},
    {296, U16, 0, 0, 898, 0, 0},
    {297, TXT, 0, 0, 900, 66, 0},
    {298, TXT, 0, 0, 900, 66, 0},
    {299, TXT, 0, 0, 966, 130, 0},
    {300, U8, U16, 0, 1096, 0, 0},
    {301, U32, 0, 0, 1100, 0, 0},
    {302, U8, U16, 0, 1104, 0, 0},
    {303, U16, 0, 0, 1106, 0, 0},
    {304, FNT, 0, 0, 1108, 92, 0},
    {306, FLD, 0, 0, 1108, 0, 0},
    {319, FLD, 0, 0, 1112, 0, 0},
    {309, FLD, 0, 0, 1116, 0, 0},
    {311, FLD, 0, 0, 1116, 0, 0},
    {310, FLD, 0, 0, 1120, 0, 0},
    {307, FLD, 0, 0, 1124, 0, 0},
    {308, U8, 0, 0, 1128, 0, 0},
    {312, U8, 0, 0, 1129, 0, 0},
    {313, U8, 0, 0, 1130, 0, 0},
    {314, U8, 0, 0, 1131, 0, 0},
    {315, U8, 0, 0, 1132, 0, 0},
    {316, U8, 0, 0, 1133, 0, 0},
    {317, U8, 0, 0, 1134, 0, 0},
    {318, U8, 0, 0, 1135, 0, 0},
    {305, TXT, 0, 0, 1136, 64, 0},
    {320, U8, U16, 0, 1200, 0, 0},
    {321, U8, U16, 0, 1201, 0, 0},
    {322, U8, U16, 0, 1202, 0, 0},
    {323, U8, U16, 0, 1203, 0, 0},
    {324, U16, 0, 0, 1204, 0, 0},
    {325, U8, U16, 0, 1206, 0, 0},
    {326, U16, 0, 0, 1208, 0, 0},
    {327, U16, 0, 0, 1210, 0, 0},
    {328, U8, U16, 0, 1212, 0, 0},
    {329, TXT, 0, 0, 1213, 49, 0},
    {330, U8, U16, 0, 1262, 0, 0},
    {331, U8, U16, 0, 1263, 0, 0},
    {332, U8, U16, 0, 1264, 0, 0},
    {333, U16, 0, 0, 1266, 0, 0},
    {334, U8, U16, 0, 1268, 0, 0},
    {335, U8, U16, 0, 1269, 0, 0},
    {336, U8, U16, 0, 1270, 0, 0},
    {337, TXT, 0, 0, 1272, 256, 0},
    {338, TXT, 0, 0, 1528, 18, 0},
    {339, U8, U16, 0, 1546, 0, 0},
    {340, TXT, 0, 0, 1548, 18, 0},
    {341, U8, U16, 0, 1566, 0, 0},
    {342, U8, U16, 0, 1567, 0, 0},
    {343, U8, U16, 0, 1568, 0, 0},
    {344, U16, 0, 0, 1570, 0, 0},
    {345, U8, U16, 0, 1572, 0, 0},
    {346, U8, 0, 0, 1573, 0, 0},
    {347, TXT, 0, 0, 1574, 50, 0},
    {348, U16, 0, 0, 1624, 0, 0},
    {349, U16, 0, 0, 1626, 0, 0},
    {350, U16, 0, 0, 1628, 0, 0},
    {351, U32, 0, 0, 1632, 0, 0},
    {352, U32, 0, 0, 1636, 0, 0},
    {353, U32, 0, 0, 1640, 0, 0},
    {354, U32, 0, 0, 1644, 0, 0},
    {355, U16, 0, 0, 1648, 0, 0},
    {356, U16, 0, 0, 1650, 0, 0},
    {357, FNT, 0, 0, 1652, 92, 0},
    {359, FLD, 0, 0, 1652, 0, 0},
    {372, FLD, 0, 0, 1656, 0, 0},
    {362, FLD, 0, 0, 1660, 0, 0},
    {364, FLD, 0, 0, 1660, 0, 0},
    {363, FLD, 0, 0, 1664, 0, 0},
    {360, FLD, 0, 0, 1668, 0, 0},
    {361, U8, 0, 0, 1672, 0, 0},
    {365, U8, 0, 0, 1673, 0, 0},
    {366, U8, 0, 0, 1674, 0, 0},
    {367, U8, 0, 0, 1675, 0, 0},
    {368, U8, 0, 0, 1676, 0, 0},
    {369, U8, 0, 0, 1677, 0, 0},
    {370, U8, 0, 0, 1678, 0, 0},
    {371, U8, 0, 0, 1679, 0, 0},
    {358, TXT, 0, 0, 1680, 64, 0},
    {373, U32, 0, 0, 1744, 0, 0},
    {404, U8, U16, 0, 1748, 0, 0},
    {405, U8, U16, 0, 1749, 0, 0},
    {406, U8, U16, 0, 1750, 0, 0},
    {407, U16, 0, 0, 1752, 0, 0},
    {408, U16, 0, 0, 1754, 0, 0},
    {409, U16, 0, 0, 1756, 0, 0},
    {410, U16, 0, 0, 1758, 0, 0},
    {411, U8, U16, 0, 1760, 0, 0},
    {412, U8, U16, 0, 1761, 0, 0},
    {413, U8, U16, 0, 1762, 0, 0},
    {414, U16, 0, 0, 1764, 0, 0},
    {415, U16, 0, 0, 1766, 0, 0},
    {416, U16, 0, 0, 1768, 0, 0},
    {417, U16, 0, 0, 1770, 0, 0},
    {418, U16, 0, 0, 1772, 0, 0},
    {419, U16, 0, 0, 1774, 0, 0},
    {420, U16, 0, 0, 1776, 0, 0},
    {421, U16, 0, 0, 1778, 0, 0},
    {422, U16, 0, 0, 1780, 0, 0},
    {423, U16, 0, 0, 1782, 0, 0},
    {424, U16, 0, 0, 1784, 0, 0},
    {425, U16, 0, 0, 1786, 0, 0},
    {426, U16, 0, 0, 1788, 0, 0},
    {427, U16, 0, 0, 1790, 0, 0},
    {428, U16, 0, 0, 1792, 0, 0},
    {429, U16, 0, 0, 1794, 0, 0},
    {430, U16, 0, 0, 1796, 0, 0},
    {431, U16, 0, 0, 1798, 0, 0},
    {432, U16, 0, 0, 1800, 0, 0},
    {433, U16, 0, 0, 1802, 0, 0},
    {434, U16, 0, 0, 1804, 0, 0},
    {374, TXT, 0, 0, 1806, 258, 0},
    {375, TXT, 0, 0, 2064, 258, 0},
    {376, U8, U16, 0, 2322, 0, 0},
    {377, U8, U16, 0, 2323, 0, 0},
    {378, TXT, 0, 0, 2324, 258, 0},
    {379, U8, U16, 0, 2582, 0, 0},
    {380, U16, 0, 0, 2584, 0, 0},
    {381, U8, U16, 0, 2586, 0, 0},
    {382, U8, U16, 0, 2587, 0, 0},
    {383, U8, U16, 0, 2588, 0, 0},
    {384, U16, 0, 0, 2590, 0, 0},
    {385, U16, 0, 0, 2592, 0, 0},
    {386, U8, U16, 0, 2594, 0, 0},
    {387, U8, U16, 0, 2595, 0, 0},
    {435, TXT, 0, 0, 2596, 10, 0},
    {436, TXT, 0, 0, 2606, 10, 0},
    {437, U8, 0, 0, 2616, 0, 0},
    {438, U8, 0, 0, 2617, 0, 0},
    {439, U8, 0, 0, 2618, 0, 0},
    {440, U8, 0, 0, 2619, 0, 0},
    {441, U8, 0, 0, 2620, 0, 0},
    // DevModeExtension (offsets from its own start).
    {513, U16, 0, 0, 0, 0, 0},
    {514, U16, 0, 0, 2, 0, 0},
    {515, TXT, 0, 0, 4, 258, 0},
    {516, U16, 0, 0, 262, 0, 0},
    {517, TXT, 0, 0, 264, 82, 0},
    {518, TXT, 0, 0, 346, 166, 0},
    {519, TXT, 0, 0, 512, 522, 0},
    {520, U16, 0, 0, 1034, 0, 0},
    {521, U16, 0, 0, 1036, 0, 0},
    {522, U16, 0, 0, 1038, 0, 0},
    {523, U16, 0, 0, 1040, 0, 0},
    {524, U16, 0, 0, 1042, 0, 0},
    {525, TXT, 0, 0, 1044, 10, 0},
    {526, TXT, 0, 0, 1054, 58, 0},
    {527, U16, 0, 0, 1112, 0, 0},
    {528, U16, 0, 0, 1114, 0, 0},
    {529, U16, 0, 0, 1116, 0, 0},
    {530, U16, 0, 0, 1118, 0, 0},
    {531, U16, 0, 0, 1120, 0, 0},
    {532, U16, 0, 0, 1122, 0, 0},
    {533, TXT, 0, 0, 1124, 10, 0},
    {534, U16, 0, 0, 1134, 0, 0},
    {535, U16, 0, 0, 1136, 0, 0},
    {536, TXT, 0, 0, 1138, 120, 0},
    {537, TXT, 0, 0, 1258, 42, 0},
    {538, TXT, 0, 0, 1300, 42, 0},
    {539, TXT, 0, 0, 1342, 82, 0},
    {540, TXT, 0, 0, 1424, 82, 0},
    {541, TXT, 0, 0, 1506, 418, 0},
    {542, TXT, 0, 0, 1924, 62, 0},
    {543, TXT, 0, 0, 1986, 62, 0},
    {544, U16, 0, 0, 2048, 0, 0},
    {545, S32, 0, 0, 2052, 0, 0},
    {546, S32, 0, 0, 2056, 0, 0},
    {547, S32, 0, 0, 2060, 0, 0},
    {548, S32, 0, 0, 2064, 0, 0},
    // PrinterSettingsBlock.
    {1297, U16, 0, 0, 0, 0, 0},
    {1307, U16, 0, 0, 2, 0, 0},
    {1298, U16, 0, 0, 4, 0, 0},
    {769, I32, 0, 0, 8, 0, 0},
    {770, I32, 0, 0, 8, 0, 0},
    {771, I32, 0, 0, 8, 0, 0},
    {772, I32, 0, 0, 8, 0, 0},
    {773, I32, 0, 0, 8, 0, 0},
    {774, I32, 0, 0, 8, 0, 0},
    {775, I32, 0, 0, 8, 0, 0},
    {776, I32, 0, 0, 8, 0, 0},
    {777, I32, 0, 0, 8, 0, 0},
    {778, I32, 0, 0, 8, 0, 0},
    {779, I32, 0, 0, 8, 0, 0},
    {780, I32, 0, 0, 8, 0, 0},
    {781, I32, 0, 0, 8, 0, 0},
    {782, I32, 0, 0, 8, 0, 0},
    {783, I32, 0, 0, 8, 0, 0},
    {784, I32, 0, 0, 8, 0, 0},
    {785, I32, 0, 0, 8, 0, 0},
    {786, I32, 0, 0, 8, 0, 0},
    {787, I32, 0, 0, 8, 0, 0},
    {788, I32, 0, 0, 8, 0, 0},
    {789, I32, 0, 0, 8, 0, 0},
    {790, I32, 0, 0, 8, 0, 0},
    {791, I32, 0, 0, 8, 0, 0},
    {792, I32, 0, 0, 8, 0, 0},
    {793, I32, 0, 0, 8, 0, 0},
    {794, I32, 0, 0, 8, 0, 0},
    {795, I32, 0, 0, 8, 0, 0},
    {796, I32, 0, 0, 8, 0, 0},
    {797, I32, 0, 0, 8, 0, 0},
    {798, I32, 0, 0, 8, 0, 0},
    {799, I32, 0, 0, 8, 0, 0},
    {800, I32, 0, 0, 8, 0, 0},
    {1309, I32, 0, 0, 12, 0, 0},
    {1031, U16, 0, 0, 16, 0, 0},
    {1025, TXT, 0, 0, 18, 66, 0},
    {1300, TXT, 0, 0, 486, 66, 0},
    {1026, I32, 0, 0, 880, 0, 0},
    {1027, U16, 0, 0, 884, 0, 0},
    {1028, U16, 0, 0, 886, 0, 0},
    {1029, U16, 0, 0, 888, 0, 0},
    {1030, U16, 0, 0, 890, 0, 0},
    {1281, I32, 0, 0, 892, 0, 0},
    {1282, U16, 0, 0, 896, 0, 0},
    {1283, U16, 0, 0, 898, 0, 0},
    {1284, U16, 0, 0, 900, 0, 0},
    {1285, U16, 0, 0, 902, 0, 0},
    {1286, U16, 0, 0, 904, 0, 0},
    {1287, U16, 0, 0, 906, 0, 0},
    {1288, U16, 0, 0, 908, 0, 0},
    {1289, U16, 0, 0, 910, 0, 0},
    {1290, U16, 0, 0, 912, 0, 0},
    {1291, U16, 0, 0, 914, 0, 0},
    {1292, TXT, 0, 0, 916, 30, 0},
    {1293, TXT, 0, 0, 946, 30, 0},
    {1294, TXT, 0, 0, 976, 30, 0},
    {1295, TXT, 0, 0, 1006, 30, 0},
    {1296, TXT, 0, 0, 1036, 30, 0},
    {1032, I32, 0, 0, 1072, 0, 0},
    {1034, TXT, 0, 0, 1098, 10, 0},
    {1035, U16, 0, 0, 1108, 0, 0},
    {1036, U16, 0, 0, 1110, 0, 0},
    {1037, U16, 0, 0, 1112, 0, 0},
    {1038, U16, 0, 0, 1120, 0, 0},
    {1039, U16, 0, 0, 1122, 0, 0},
    {1308, U32, 0, 0, 1124, 0, 0},
    {1040, U16, 0, 0, 1132, 0, 0},
    {1033, TXT, 0, 0, 1134, 50, 0},
    {1041, U16, 0, 0, 1188, 0, 0},
    {1042, U8, 0, 0, 1196, 0, 0},
    {1043, U16, 0, 0, 1204, 0, 0},
    {1044, U16, 0, 0, 1206, 0, 0},
    {1045, TXT, 0, 0, 1208, 12, 0},
    {1046, U16, 0, 0, 1220, 0, 0},
    {1047, TXT, 0, 0, 1222, 12, 0},
    {1048, U16, 0, 0, 1234, 0, 0},
    {1049, U16, 0, 0, 1236, 0, 0},
    {1050, U16, 0, 0, 1244, 0, 0},
    {1051, TXT, 0, 0, 1246, 258, 0},
    {1310, U32, 0, 0, 1504, 0, 0},
    {1052, TXT, 0, 0, 1508, 26, 0},
    {1053, U8, 0, 0, 1534, 0, 0},
    {1054, TXT, 0, 0, 1536, 66, 0},
    {1055, U8, 0, 0, 1602, 0, 0},
    {1341, U16, 0, 0, 1608, 0, 0},
    {1356, U16, 0, 0, 1610, 0, 0},
    {1371, U16, 0, 0, 1612, 0, 0},
    {1342, U16, 0, 0, 1614, 0, 0},
    {1357, U16, 0, 0, 1616, 0, 0},
    {1372, U16, 0, 0, 1618, 0, 0},
    {1343, U16, 0, 0, 1620, 0, 0},
    {1358, U16, 0, 0, 1622, 0, 0},
    {1373, U16, 0, 0, 1624, 0, 0},
    {1344, U16, 0, 0, 1626, 0, 0},
    {1359, U16, 0, 0, 1628, 0, 0},
    {1374, U16, 0, 0, 1630, 0, 0},
    {1345, U16, 0, 0, 1632, 0, 0},
    {1360, U16, 0, 0, 1634, 0, 0},
    {1375, U16, 0, 0, 1636, 0, 0},
    {1346, U16, 0, 0, 1638, 0, 0},
    {1361, U16, 0, 0, 1640, 0, 0},
    {1376, U16, 0, 0, 1642, 0, 0},
    {1347, U16, 0, 0, 1644, 0, 0},
    {1362, U16, 0, 0, 1646, 0, 0},
    {1377, U16, 0, 0, 1648, 0, 0},
    {1348, U16, 0, 0, 1650, 0, 0},
    {1363, U16, 0, 0, 1652, 0, 0},
    {1378, U16, 0, 0, 1654, 0, 0},
    {1349, U16, 0, 0, 1656, 0, 0},
    {1364, U16, 0, 0, 1658, 0, 0},
    {1379, U16, 0, 0, 1660, 0, 0},
    {1350, U16, 0, 0, 1662, 0, 0},
    {1365, U16, 0, 0, 1664, 0, 0},
    {1380, U16, 0, 0, 1666, 0, 0},
    {1351, U16, 0, 0, 1668, 0, 0},
    {1366, U16, 0, 0, 1670, 0, 0},
    {1381, U16, 0, 0, 1672, 0, 0},
    {1352, U16, 0, 0, 1674, 0, 0},
    {1367, U16, 0, 0, 1676, 0, 0},
    {1382, U16, 0, 0, 1678, 0, 0},
    {1353, U16, 0, 0, 1680, 0, 0},
    {1368, U16, 0, 0, 1682, 0, 0},
    {1383, U16, 0, 0, 1684, 0, 0},
    {1354, U16, 0, 0, 1686, 0, 0},
    {1369, U16, 0, 0, 1688, 0, 0},
    {1384, U16, 0, 0, 1690, 0, 0},
    {1355, U16, 0, 0, 1692, 0, 0},
    {1370, U16, 0, 0, 1694, 0, 0},
    {1385, U16, 0, 0, 1696, 0, 0},
    {1311, U16, 0, 0, 1698, 0, 0},
    {1321, U16, 0, 0, 1700, 0, 0},
    {1331, TXT, 0, 0, 1702, 30, 0},
    {1312, U16, 0, 0, 1732, 0, 0},
    {1322, U16, 0, 0, 1734, 0, 0},
    {1332, TXT, 0, 0, 1736, 30, 0},
    {1313, U16, 0, 0, 1766, 0, 0},
    {1323, U16, 0, 0, 1768, 0, 0},
    {1333, TXT, 0, 0, 1770, 30, 0},
    {1314, U16, 0, 0, 1800, 0, 0},
    {1324, U16, 0, 0, 1802, 0, 0},
    {1334, TXT, 0, 0, 1804, 30, 0},
    {1315, U16, 0, 0, 1834, 0, 0},
    {1325, U16, 0, 0, 1836, 0, 0},
    {1335, TXT, 0, 0, 1838, 30, 0},
    {1316, U16, 0, 0, 1868, 0, 0},
    {1326, U16, 0, 0, 1870, 0, 0},
    {1336, TXT, 0, 0, 1872, 30, 0},
    {1317, U16, 0, 0, 1902, 0, 0},
    {1327, U16, 0, 0, 1904, 0, 0},
    {1337, TXT, 0, 0, 1906, 30, 0},
    {1318, U16, 0, 0, 1936, 0, 0},
    {1328, U16, 0, 0, 1938, 0, 0},
    {1338, TXT, 0, 0, 1940, 30, 0},
    {1319, U16, 0, 0, 1970, 0, 0},
    {1329, U16, 0, 0, 1972, 0, 0},
    {1339, TXT, 0, 0, 1974, 30, 0},
    {1320, U16, 0, 0, 2004, 0, 0},
    {1330, U16, 0, 0, 2006, 0, 0},
    {1340, TXT, 0, 0, 2008, 30, 0},
    {1396, U16, 0, 0, 2038, 0, 0},
    {1397, TXT, 0, 0, 2040, 44, 0},
    {1386, TXT, 0, 0, 2084, 50, 0},
    {1387, TXT, 0, 0, 2134, 50, 0},
    {1388, TXT, 0, 0, 2184, 50, 0},
    {1389, TXT, 0, 0, 2234, 50, 0},
    {1390, TXT, 0, 0, 2284, 50, 0},
    {1391, TXT, 0, 0, 2334, 50, 0},
    {1392, TXT, 0, 0, 2384, 50, 0},
    {1393, TXT, 0, 0, 2434, 50, 0},
    {1394, TXT, 0, 0, 2484, 50, 0},
    {1395, TXT, 0, 0, 2534, 50, 0},
    {1398, I32, 0, 0, 2588, 0, 0},
    {1399, I32, 0, 0, 2592, 0, 0},
    {1400, I32, 0, 0, 2596, 0, 0},
    {1401, I32, 0, 0, 2600, 0, 0},
    {1402, I32, 0, 0, 2604, 0, 0},
    {1403, I32, 0, 0, 2608, 0, 0},
    {1404, I32, 0, 0, 2612, 0, 0},
    {1405, I32, 0, 0, 2616, 0, 0},
    {1406, I32, 0, 0, 2620, 0, 0},
    {1411, I32, 0, 0, 2624, 0, 0},
    {1412, I32, 0, 0, 2628, 0, 0},
    {1413, I32, 0, 0, 2632, 0, 0},
    {1414, I32, 0, 0, 2636, 0, 0},
    {1415, I32, 0, 0, 2640, 0, 0},
    {1416, I32, 0, 0, 2644, 0, 0},
    {1417, I32, 0, 0, 2648, 0, 0},
    {1419, I32, 0, 0, 2652, 0, 0},
    {1420, I32, 0, 0, 2656, 0, 0},
    {1421, I32, 0, 0, 2660, 0, 0},
    {1422, I32, 0, 0, 2664, 0, 0},
    {1423, I32, 0, 0, 2668, 0, 0},
    {1429, I32, 0, 0, 2672, 0, 0},
    {1430, I32, 0, 0, 2676, 0, 0},
    {1431, I32, 0, 0, 2680, 0, 0},
    {1432, I32, 0, 0, 2684, 0, 0},
    {1433, I32, 0, 0, 2688, 0, 0},
    {1434, I32, 0, 0, 2692, 0, 0},
    {1435, I32, 0, 0, 2696, 0, 0},
    {1436, I32, 0, 0, 2700, 0, 0},
    {1441, I32, 0, 0, 2704, 0, 0},
    {1442, I32, 0, 0, 2708, 0, 0},
    {1443, I32, 0, 0, 2712, 0, 0},
    {1444, I32, 0, 0, 2716, 0, 0},
    {1445, I32, 0, 0, 2720, 0, 0},
    {1446, I32, 0, 0, 2724, 0, 0},
    {1447, I32, 0, 0, 2728, 0, 0},
    {1449, I32, 0, 0, 2732, 0, 0},
    {1450, I32, 0, 0, 2736, 0, 0},
    {1451, I32, 0, 0, 2740, 0, 0},
    {1452, I32, 0, 0, 2744, 0, 0},
    {1424, I32, 0, 0, 2748, 0, 0},
    {1425, I32, 0, 0, 2752, 0, 0},
    {1426, I32, 0, 0, 2756, 0, 0},
    {1427, I32, 0, 0, 2760, 0, 0},
    {1428, I32, 0, 0, 2764, 0, 0},
    {1453, I32, 0, 0, 2768, 0, 0},
    {1454, I32, 0, 0, 2772, 0, 0},
    {1455, I32, 0, 0, 2776, 0, 0},
    {1456, I32, 0, 0, 2780, 0, 0},
    {1418, I32, 0, 0, 2784, 0, 0},
    {1448, I32, 0, 0, 2788, 0, 0},
    {1407, I32, 0, 0, 2792, 0, 0},
    {1408, I32, 0, 0, 2796, 0, 0},
    {1409, I32, 0, 0, 2800, 0, 0},
    {1410, I32, 0, 0, 2804, 0, 0},
    {1437, I32, 0, 0, 2808, 0, 0},
    {1438, I32, 0, 0, 2812, 0, 0},
    {1439, I32, 0, 0, 2816, 0, 0},
    {1440, I32, 0, 0, 2820, 0, 0},
    {1056, I32, 0, 0, 2828, 0, 0},
    {1057, I32, 0, 0, 2832, 0, 0},
};

namespace {

constexpr size_t CountIds(SettingId first, SettingId last) {
  size_t n = 0;
  for (const SettingDescriptor& d : kSettingDescriptorTable) {
    if (d.id >= first && d.id <= last) ++n;
  }
  return n;
}

// One range's list: its rows in table order, ended by a zero row.
template <SettingId First, SettingId Last>
constexpr auto BuildRangeList() {
  std::array<SettingDescriptor, CountIds(First, Last) + 1> list{};
  size_t k = 0;
  for (const SettingDescriptor& d : kSettingDescriptorTable) {
    if (d.id >= First && d.id <= Last) list[k++] = d;
  }
  return list;
}

constexpr auto kList257 = BuildRangeList<257, 303>();
constexpr auto kList304 = BuildRangeList<304, 351>();
constexpr auto kList352 = BuildRangeList<352, 399>();
constexpr auto kList400 = BuildRangeList<400, 441>();
constexpr auto kList449 = BuildRangeList<449, 512>();
constexpr auto kList513 = BuildRangeList<513, 548>();
constexpr auto kList769 = BuildRangeList<769, 800>();
constexpr auto kList1025 = BuildRangeList<1025, 1057>();
constexpr auto kList1281 = BuildRangeList<1281, 1456>();
constexpr auto kList1 = BuildRangeList<1, 25>();

// Every row must belong to exactly one range.
static_assert(kList257.size() + kList304.size() + kList352.size() + kList400.size() + kList449.size() +
                  kList513.size() + kList769.size() + kList1025.size() + kList1281.size() + kList1.size() -
                  kSettingIdRangeCount ==
              kSettingDescriptorCount);

template <SettingId First, SettingId Last>
constexpr auto BuildFlagMasks() {
  std::array<SettingFlagMask, Last - First + 2> masks{};
  for (SettingId id = First; id <= Last; ++id) {
    masks[id - First] = {id, uint32_t{1} << ((id - First) % 32)};
  }
  return masks;
}

constexpr auto kDevModeMasks = BuildFlagMasks<449, 512>();
constexpr auto kPrinterMasks = BuildFlagMasks<769, 800>();

constexpr const SettingDescriptor* FindRow(SettingId id) {
  for (const SettingDescriptor& d : kSettingDescriptorTable) {
    if (d.id == id) return &d;
  }
  return nullptr;
}

constexpr bool RowAt(SettingId id, uint64_t offset, uint64_t width) {
  const SettingDescriptor* d = FindRow(id);
  if (d == nullptr || d->offset != offset) return false;
  uint64_t size = d->maxSize;
  if (size == 0) {
    const SettingValueType t = d->valueType;
    size = (t == kSettingTypeUInt8) ? 1 : (t == kSettingTypeInt16 || t == kSettingTypeUInt16) ? 2 : 4;
  }
  return size == width;
}

}  // namespace

// The public fields the table addresses sit where DEVMODEW puts them.
static_assert(RowAt(1, offsetof(DEVMODEW, dmDeviceName), sizeof(DEVMODEW::dmDeviceName)));
static_assert(RowAt(2, offsetof(DEVMODEW, dmSpecVersion), 2));
static_assert(RowAt(3, offsetof(DEVMODEW, dmDriverVersion), 2));
static_assert(RowAt(4, offsetof(DEVMODEW, dmSize), 2));
static_assert(RowAt(5, offsetof(DEVMODEW, dmDriverExtra), 2));
static_assert(RowAt(6, offsetof(DEVMODEW, dmFields), 4));
static_assert(RowAt(7, offsetof(DEVMODEW, dmOrientation), 2));
static_assert(RowAt(8, offsetof(DEVMODEW, dmPaperSize), 2));
static_assert(RowAt(9, offsetof(DEVMODEW, dmPaperLength), 2));
static_assert(RowAt(10, offsetof(DEVMODEW, dmPaperWidth), 2));
static_assert(RowAt(11, offsetof(DEVMODEW, dmScale), 2));
static_assert(RowAt(12, offsetof(DEVMODEW, dmCopies), 2));
static_assert(RowAt(13, offsetof(DEVMODEW, dmDefaultSource), 2));
static_assert(RowAt(14, offsetof(DEVMODEW, dmPrintQuality), 4));
static_assert(RowAt(20, offsetof(DEVMODEW, dmPrintQuality), 2));
static_assert(RowAt(15, offsetof(DEVMODEW, dmColor), 2));
static_assert(RowAt(16, offsetof(DEVMODEW, dmDuplex), 2));
static_assert(RowAt(21, offsetof(DEVMODEW, dmYResolution), 2));
static_assert(RowAt(17, offsetof(DEVMODEW, dmTTOption), 2));
static_assert(RowAt(18, offsetof(DEVMODEW, dmCollate), 2));
static_assert(RowAt(19, offsetof(DEVMODEW, dmFormName), sizeof(DEVMODEW::dmFormName)));
static_assert(RowAt(22, offsetof(DEVMODEW, dmICMMethod), 4));
static_assert(RowAt(23, offsetof(DEVMODEW, dmICMIntent), 4));
static_assert(RowAt(24, offsetof(DEVMODEW, dmMediaType), 4));
static_assert(RowAt(25, offsetof(DEVMODEW, dmDitherType), 4));

// The parts of both font records sit where LOGFONTW puts them.
constexpr bool FontRowsAt(SettingId record, uint64_t base, SettingId height, SettingId width, SettingId escapement,
                          SettingId orientation, SettingId weight, SettingId italic, SettingId firstByte,
                          SettingId faceName) {
  return RowAt(record, base, kFontRecordSize) && RowAt(height, base + offsetof(LOGFONTW, lfHeight), 4) &&
         RowAt(width, base + offsetof(LOGFONTW, lfWidth), 4) &&
         RowAt(escapement, base + offsetof(LOGFONTW, lfEscapement), 4) &&
         RowAt(orientation, base + offsetof(LOGFONTW, lfOrientation), 4) &&
         RowAt(weight, base + offsetof(LOGFONTW, lfWeight), 4) &&
         RowAt(italic, base + offsetof(LOGFONTW, lfItalic), 1) &&
         RowAt(firstByte + 0, base + offsetof(LOGFONTW, lfUnderline), 1) &&
         RowAt(firstByte + 1, base + offsetof(LOGFONTW, lfStrikeOut), 1) &&
         RowAt(firstByte + 2, base + offsetof(LOGFONTW, lfCharSet), 1) &&
         RowAt(firstByte + 3, base + offsetof(LOGFONTW, lfOutPrecision), 1) &&
         RowAt(firstByte + 4, base + offsetof(LOGFONTW, lfClipPrecision), 1) &&
         RowAt(firstByte + 5, base + offsetof(LOGFONTW, lfQuality), 1) &&
         RowAt(firstByte + 6, base + offsetof(LOGFONTW, lfPitchAndFamily), 1) &&
         RowAt(faceName, base + offsetof(LOGFONTW, lfFaceName), sizeof(LOGFONTW::lfFaceName));
}
static_assert(FontRowsAt(304, kFirstFontRecordOffset, 306, 319, 309, 310, 307, 308, 312, 305));
static_assert(FontRowsAt(357, kSecondFontRecordOffset, 359, 372, 362, 363, 360, 361, 365, 358));
static_assert(RowAt(311, kFirstFontRecordOffset + offsetof(LOGFONTW, lfEscapement), 4));
static_assert(RowAt(364, kSecondFontRecordOffset + offsetof(LOGFONTW, lfEscapement), 4));

const SettingIdRange kSettingIdRanges[kSettingIdRangeCount + 1] = {
    {kSettingBlockDevMode, 257, 303, 0, kList257.data()},
    {kSettingBlockDevMode, 304, 351, 0, kList304.data()},
    {kSettingBlockDevMode, 352, 399, 0, kList352.data()},
    {kSettingBlockDevMode, 400, 441, 0, kList400.data()},
    {kSettingBlockDevMode, 449, 512, 0, kList449.data()},
    {kSettingBlockExtension, 513, 548, 0, kList513.data()},
    {kSettingBlockPrinter, 769, 800, 0, kList769.data()},
    {kSettingBlockPrinter, 1025, 1057, 0, kList1025.data()},
    {kSettingBlockPrinter, 1281, 1456, 0, kList1281.data()},
    {kSettingBlockDevMode, 1, 25, 0, kList1.data()},
    {0, 0, 0, 0, nullptr},
};

const SettingFlagMask* const kDevModeFlagMasks = kDevModeMasks.data();
const SettingFlagMask* const kPrinterFlagMasks = kPrinterMasks.data();
