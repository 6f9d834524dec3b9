#pragma once
// The documents directory over HTTP: the list of its files, one file to download, and an XML
// route file uploaded into it. Only plain names of regular files directly inside the directory
// are served or written: no path, no "." or "..", no hidden file, nothing a link leads outside.
#include <cstddef>
#include <string>

#include "web/HttpMessage.h"

namespace tessaly::web {

class DocumentsEndpoint {
 public:
  // Largest upload taken; a route file of 20000 entries is about 1.2 MB.
  static constexpr std::size_t kMaxUploadBytes = 2 << 20;
  // Largest file served (route files are far smaller; the movie is served elsewhere).
  static constexpr std::size_t kMaxDownloadBytes = 64 << 20;

  // "" for a plain file name, else why it is refused.
  static std::string refuseName(const std::string& name);

  // 200 with [{"name","size","modified"}...] (modified in seconds since 1970), sorted by name.
  static HttpResponse list(const std::string& directory);
  // The file as an attachment; 400 for a refused name, 404 for none or not a regular file
  // inside the directory.
  static HttpResponse download(const std::string& directory, const std::string& name);
  // Writes body as name (a ".xml" route file) through a temporary file and a rename. An
  // existing file is only replaced when replace is set; else 409 and nothing changes. 400 for
  // a refused name or a body that is no route file, 413 over the size cap; 201 when written.
  static HttpResponse upload(const std::string& directory, const std::string& name,
                             const std::string& body, bool replace);

  // The MIME type served for a file name.
  static std::string contentTypeFor(const std::string& name);
  // A Content-Disposition value naming the file for the browser's save dialog.
  static std::string attachmentHeader(const std::string& name);
};

}  // namespace tessaly::web
