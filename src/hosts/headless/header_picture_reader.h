#pragma once

#include "platform/picture_reader.h"

namespace scrivlet {

// Measures pictures from their headers alone, without decoding pixels: a GIF's logical screen
// size, a PNG's IHDR chunk, a JPEG's first start-of-frame marker (other segments are skipped by
// their lengths), a WebP's first chunk (VP8 frame header, VP8L header or VP8X canvas). A JPEG whose
// height is left to a later DNL marker counts as unreadable.
class HeaderPictureReader final : public PictureReader {
 public:
  std::optional<PictureInfo> ReadPicture(const std::filesystem::path& path) const override;
};

}  // namespace scrivlet
