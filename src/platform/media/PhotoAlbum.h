#pragma once
// The device's album of saved photos and videos: a "Photos" folder beside the documents
// directory. Saving copies the file in under a name of its own, so earlier copies stay.
#include <functional>
#include <optional>
#include <string>

#include "platform/foundation/NSError.h"

namespace tessaly::platform {

// The album's folder (the documents directory's sibling "Photos"), created if missing.
std::string savedPhotosAlbumDirectory();

// Called on the main run loop once the copy is made: the video's path as given, and the error
// when it could not be saved.
using SaveVideoCompletion =
    std::function<void(const std::string& videoPath, const std::optional<NSError>& error)>;

// Copies the video into the album. The completion runs on a later turn of the main run loop.
void UISaveVideoAtPathToSavedPhotosAlbum(const std::string& videoPath,
                                         SaveVideoCompletion completion);

}  // namespace tessaly::platform
