#pragma once

#include <string>
#include <string_view>

// Which URLs the HTML reader and the HTML5 writer let through into a document or a page.
namespace scrivlet {

// True when a link target is http, https, mailto, ftp or tel, or has no scheme at all (a
// relative or fragment URL). Letter case of the scheme is ignored, as are the tabs, line breaks
// and leading control characters or spaces a browser strips before it reads the scheme.
bool IsSafeLinkUrl(std::string_view url);

// `url` when IsSafeLinkUrl, else "#".
std::string SafeLinkUrl(std::string_view url);

// True when a picture source is http, https, scheme-less, or a data: URL of a PNG, GIF, JPEG or
// WebP image.
bool IsSafeImageSource(std::string_view src);

}  // namespace scrivlet
