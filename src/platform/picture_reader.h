#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>

// Measuring a picture file for the picture-copy dialog's preview.
namespace scrivlet {

enum class PictureFormat { kGif, kJpeg, kPng, kWebp };

// A picture's format and natural size in pixels (both at least 1).
struct PictureInfo {
  PictureFormat Format = PictureFormat::kGif;
  std::int32_t Width = 0;
  std::int32_t Height = 0;
};

class PictureReader {
 public:
  virtual ~PictureReader() = default;

  // The picture in the file at `path`, or nothing when the file is missing, unreadable, not a
  // GIF, JPEG, PNG or WebP picture, or too damaged to tell its size. Never throws for a bad file.
  virtual std::optional<PictureInfo> ReadPicture(const std::filesystem::path& path) const = 0;
};

}  // namespace scrivlet
