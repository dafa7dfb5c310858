#pragma once

#include "platform/picture_reader.h"

namespace scrivlet {

// QImageReader: the format is told from the file's content, not its name, and the size from
// the picture's header where the format allows, decoding the picture only when it does not.
// Formats other than GIF, JPEG and PNG count as unreadable, as the interface asks.
class QtPictureReader final : public PictureReader {
 public:
  std::optional<PictureInfo> ReadPicture(const std::filesystem::path& path) const override;
};

}  // namespace scrivlet
