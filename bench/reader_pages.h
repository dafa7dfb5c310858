// The generated page in the two forms the HTML reader is measured on, for the benchmark programs
// that measure it.
#pragma once

#include <string>

#include "hosts/headless/headless_host.h"

namespace scrivlet::bench {

// The generated page with every tag and attribute name in lower case, as pages written since
// about 2000 are; the text is left as it is.
inline std::string LowerCaseTags(std::string html) {
  bool inTag = false;
  for (char& c : html) {
    if (c == '<') {
      inTag = true;
    } else if (c == '>') {
      inTag = false;
    } else if (inTag && c >= 'A' && c <= 'Z') {
      c = static_cast<char>(c + 32);
    }
  }
  return html;
}

// The generated page as the control's HTML5 output writes it: loaded through TextHTML, read as
// HTML5.
inline std::string AsHtml5(const std::string& html) {
  HeadlessHost host;
  host.StartNew();
  host.Control.SetTextHTML(html);
  host.Control.SetHtmlOutput("Html5");
  return host.Control.TextHTML();
}

}  // namespace scrivlet::bench
