#pragma once

// One symbol's build in the domain's terms: what it carries, how it is laid
// out and how it is protected. The window and the command line fill it from
// their controls or options; nothing here is shaped like a widget.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>

#include "app/warning.h"
#include "generate/data_choice.h"
#include "layout/style.h"
#include "protocol/bytes.h"
#include "output/picture_assembly.h"
#include "security/security_mode.h"

namespace tessellux::generate {

// The geometry the user asks for; an empty optional leaves that choice to
// the Code Generator.
struct SymbolLayout {
  std::optional<int> rows;         // block rows: 1, 2, 4, ... 254
  std::optional<int> columns;      // block columns: the same scale
  std::optional<int> correctable;  // bytes each 48-byte group corrects: 2 to 17
  int grid = 8;                    // pixels between grid lines
  int thickness = 2;               // line thickness or dot size in pixels
  layout::Style style = layout::Style::kLines;
  bool mirror = false;             // rows joined in reverse order
};

struct SecurityChoice {
  security::SecurityMode mode = security::SecurityMode::kPublic;
  bool temporary = false;
  std::u16string identification_tag;
  std::u16string phrase;         // the secret phrase
  std::u16string second_phrase;  // reader serial number (Unique) or old phrase (Cascaded)
};

struct BuildRequest {
  int data = kWebAddress;     // DataChoice
  Bytes text;                 // UTF-8
  std::string picture_file;   // the user's JPEG, as chosen (may be empty)
  std::string zip_file;
  std::string emboss_file;
  SymbolLayout layout;
  SecurityChoice security;
  // What is uploaded for a picture: the file prepare_picture makes from
  // picture_file (recompressed at the chosen quality).
  std::string picture_upload;
  // Runs after the checks pass and before anything is sent, for the data
  // choices that carry a picture. A warning stops the build with nothing sent.
  std::function<std::optional<app::Warning>()> prepare_picture;
  std::size_t picture_limit = output::PictureAssembly::kDefaultLimit;
};

}  // namespace tessellux::generate
