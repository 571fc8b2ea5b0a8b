// The synthetic 400-dpi test page of the segmentation tests, drawn by
// ImageMagick: DejaVu text in black, red and blue on white, black text in a
// flat gray box, and a plasma photograph darker than the paper.
#pragma once

#include <string>

// The command that draws the 1000 x 720 page into target (a file name whose
// extension or prefix, such as "rgb:", picks the format).
inline std::string halvex_test_page_command(const std::string& target) {
  return "/usr/bin/convert -size 1000x720 xc:white -font DejaVu-Sans -pointsize 40"
         " -fill black -annotate +40+70 'Halvex black text line'"
         " -fill red -annotate +40+140 'Red words on the paper'"
         " -fill blue -annotate +40+210 'Blue words on the paper'"
         " -fill 'rgb(128,128,128)' -draw 'rectangle 40,270 470,460'"
         " -fill black -annotate +70+380 'Boxed text'"
         " \\( -size 420x300 -seed 7 plasma:fractal +level 0%,60% \\) -geometry +540+260 -composite"
         " -fill black -annotate +40+560 'The last black line' -depth 8 " +
         target;
}
