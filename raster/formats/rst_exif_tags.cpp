// Construction of the Exif records with their sentinels.
#include "raster/formats/rst_exif_tags.h"

RstExif21PrivateTags::RstExif21PrivateTags()
    : exif_version{'0', '2', '1', '0'},
      exposure_time(RstRational::from_double(exposure_time_unset)),
      f_number(RstRational::from_double(f_number_unset)),
      shutter_speed_value(RstSRational::from_double(shutter_speed_value_unset)),
      aperture_value(RstRational::from_double(aperture_value_unset)),
      brightness_value(RstSRational::from_double(brightness_value_unset)),
      exposure_bias_value(RstSRational::from_double(exposure_bias_value_unset)),
      max_aperture_value(RstRational::from_double(max_aperture_value_unset)),
      subject_distance(RstRational::from_double(subject_distance_unset)),
      focal_length(RstRational::from_double(focal_length_unset)),
      flash_energy(RstRational::from_double(flash_energy_unset)),
      focal_plane_x_resolution(RstRational::from_double(focal_plane_x_resolution_unset)),
      focal_plane_y_resolution(RstRational::from_double(focal_plane_y_resolution_unset)),
      exposure_index(RstRational::from_double(exposure_index_unset)),
      compressed_bits_per_pixel(RstRational::from_double(compressed_bits_per_pixel_unset)) {}

RstExif22PrivateTags::RstExif22PrivateTags() : digital_zoom_ratio(RstRational::from_double(digital_zoom_ratio_unset)) {
  exif_version = {'0', '2', '2', '0'};
}
