// GIF89a pictures through giflib: Qt reads GIF but cannot write it, and the portal
// serves its weather icons as GIF pictures.
#pragma once

#include <QImage>
#include <string>

namespace nimbulux::portal_server {

// Encodes an image as a single-frame GIF. Colours are reduced to a 6x6x6 cube; pixels
// with alpha below 128 become the transparent colour. Empty when the image is empty
// or the encoder fails.
std::string EncodeGif(const QImage& image);

}  // namespace nimbulux::portal_server
