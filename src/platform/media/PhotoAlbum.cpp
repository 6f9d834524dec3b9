#include "platform/media/PhotoAlbum.h"

#include <filesystem>

#include "platform/foundation/FileSystem.h"
#include "platform/foundation/RunLoop.h"

namespace tessaly::platform {
namespace {

namespace fs = std::filesystem;

// "screen.mov", then "screen 2.mov", "screen 3.mov", ...: the first name not yet taken.
fs::path freeNameIn(const fs::path& folder, const fs::path& name) {
  fs::path candidate = folder / name.filename();
  std::error_code ec;
  for (int n = 2; fs::exists(candidate, ec); ++n) {
    candidate =
        folder / (name.stem().string() + " " + std::to_string(n) + name.extension().string());
  }
  return candidate;
}

}  // namespace

std::string savedPhotosAlbumDirectory() {
  fs::path album = fs::path(documentsDirectory()).parent_path() / "Photos";
  std::error_code ec;
  fs::create_directories(album, ec);
  return album.string();
}

void UISaveVideoAtPathToSavedPhotosAlbum(const std::string& videoPath,
                                         SaveVideoCompletion completion) {
  std::optional<NSError> error;
  std::error_code ec;
  if (!fs::is_regular_file(videoPath, ec) || fs::file_size(videoPath, ec) == 0) {
    error = NSError{"PhotoAlbumErrorDomain", -3302, "The video could not be read."};
  } else {
    fs::path album = savedPhotosAlbumDirectory();
    fs::path target = freeNameIn(album, videoPath);
    fs::path partial = target;
    partial += ".partial";
    // Copy under a temporary name first: the album never shows half a movie.
    if (!fs::copy_file(videoPath, partial, fs::copy_options::overwrite_existing, ec) ||
        (fs::rename(partial, target, ec), ec)) {
      fs::remove(partial, ec);
      error = NSError{"PhotoAlbumErrorDomain", -3301, "The video could not be saved."};
    }
  }
  if (!completion) return;
  RunLoop::main().post(
      [completion = std::move(completion), videoPath, error] { completion(videoPath, error); });
}

}  // namespace tessaly::platform
