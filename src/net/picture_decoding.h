// Pictures held in memory (GIF and ICO bytes) turned into images the widget shows.
#pragma once

#include <QImage>
#include <optional>
#include <string_view>

namespace nimbulux {

// A decoded picture; "none" is an empty optional.
using Picture = QImage;

// Decodes GIF or icon bytes. Empty or undecodable bytes give none. Works without an
// application object.
std::optional<Picture> PictureFromBytes(std::string_view bytes);

// Loads a picture file from disk (GIF); none when missing or undecodable.
std::optional<Picture> PictureFromFile(const std::string& path);

// The same picture at one byte a pixel when that keeps every pixel (at most 256 colours,
// as in any GIF), else the picture itself. For pictures kept for the whole run, such as
// the backgrounds: Qt decodes GIFs to four bytes a pixel.
Picture CompactPicture(const Picture& picture);

}  // namespace nimbulux
