// Writes the sRGB display profile the default printer's model names as its
// colour profile: write_srgb_profile OUTPUT.
#include <lcms2.h>

#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: write_srgb_profile OUTPUT\n");
    return 2;
  }
  cmsHPROFILE profile = cmsCreate_sRGBProfile();
  if (profile == nullptr) {
    std::fprintf(stderr, "write_srgb_profile: cannot make the sRGB profile\n");
    return 1;
  }
  const bool saved = cmsSaveProfileToFile(profile, argv[1]) != 0;
  cmsCloseProfile(profile);
  if (!saved) {
    std::fprintf(stderr, "write_srgb_profile: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
