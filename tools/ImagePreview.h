// PPM previews of the generated images, for looking at them while tuning.
#pragma once

#include <string>

#include "Images.h"

bool WritePreviews(const std::string& folder, const Bytes& heights, const Bytes& texels,
                   const Bytes& logo, const Bytes& sky);
