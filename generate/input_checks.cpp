#include "generate/input_checks.h"

#include <algorithm>
#include <string_view>

#include "app/tabs.h"
#include "app/warning.h"
#include "generate/data_choice.h"
#include "security/security_controls.h"

namespace tessellux::generate {
namespace {

// Case-sensitive, byte by byte; a shorter text has no prefix.
bool BeginsWith(const Bytes& text, std::string_view prefix) {
  return text.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), text.begin());
}

bool HasWebPrefix(const Bytes& text) {
  return BeginsWith(text, "http://") || BeginsWith(text, "https://");
}

CheckFailure Fail(int tab, std::string title, std::string first, std::string second = {}) {
  std::string text = std::move(first);
  if (!second.empty()) text += app::kParagraphBreak + second;
  return CheckFailure{tab, std::move(title), std::move(text)};
}

std::optional<CheckFailure> CheckData(const BuildRequest& in) {
  const int choice = in.data;
  if (choice == kWebAddress && !HasWebPrefix(in.text)) {
    return Fail(app::kTextTab, "Not Text",
                "The data selection is Web address (URL), but the text doesn't begin with "
                "http:// or https://.",
                "Please include the correct prefix, or go to the Style tab and select Text "
                "instead of Web address (URL).");
  }
  if (choice == kText && HasWebPrefix(in.text)) {
    return Fail(app::kTextTab, "Not A Web Address (URL)",
                "The data selection is Text, but the text begins with either http:// or https://.",
                "Please remove the prefix, or go to the Style tab and select Web address (URL) "
                "instead of Text.");
  }
  if (choice == kText && in.text.empty()) {
    return Fail(app::kTextTab, "Text Missing",
                "The data selection is Text, but no text has been entered.",
                "Please either enter some text, or go to the Style tab and select another choice.");
  }
  if ((choice == kTextPlusPicture || choice == kPictureOnly) && in.picture_file.empty()) {
    return Fail(app::kPictureTab, "Missing Picture",
                "The data selection includes a picture, but no picture has been entered.");
  }
  if (choice == kTextPlusPicture && in.text.empty()) {
    return Fail(app::kTextTab, "Text Missing",
                "The style selected is Text plus a picture, but no text has been entered.",
                "Please either enter some text, or go to the Style tab and select another choice.");
  }
  if (choice == kZippedFile && in.zip_file.empty()) {
    return Fail(app::kZipTab, "Missing Zip File",
                "The data selection is Zipped file (HTML, BMP, etc.), but no ZIP file has been "
                "chosen.",
                "Please either choose a ZIP file, or go to the Style tab and select another choice.");
  }
  return std::nullopt;
}

}  // namespace

std::optional<CheckFailure> CheckBeforeGeneration(const BuildRequest& request) {
  if (auto failure = CheckData(request)) return failure;
  if (request.layout.style == layout::Style::kDotsWithEmboss && request.emboss_file.empty()) {
    return Fail(app::kEmbossTab, "Missing Emboss Picture",
                "The style selected is Dots with an embossed picture, but no embossed file has "
                "been entered.");
  }
  const SecurityChoice& security = request.security;
  const std::string status =
      security::BuildStatusText(security.mode, {security.phrase, security.second_phrase}, request.data);
  if (!status.empty()) return Fail(app::kSecurityTab, security::kSecurityWarningTitle, status);
  return std::nullopt;
}

}  // namespace tessellux::generate
