#include "security/security_controls.h"

#include "app/data_choice.h"
#include "security/field_checks.h"

namespace tessellux::security {
SecurityMode ModeOfOptions(bool public_selected, bool private_selected, bool universal_selected,
                           bool unique_selected) {
  if (public_selected) return SecurityMode::Public;
  if (private_selected) return SecurityMode::Private;
  if (universal_selected) return SecurityMode::Universal;
  if (unique_selected) return SecurityMode::Unique;
  return SecurityMode::Cascaded;
}

SecurityControls ControlsForMode(SecurityMode mode) {
  using enum SecurityMode;
  SecurityControls c;
  const bool authorization = IsAuthorization(mode);
  const bool second_phrase = mode == Unique || mode == Cascaded;
  c.temporary_enabled = authorization;
  c.tag_enabled = mode != Public;
  c.phrase_enabled = {mode != Public, second_phrase};
  c.phrase_caption = {mode == Cascaded ? "New Secret Phrase:" : "Secret Phrase:",
                      mode == Unique     ? "Reader Serial Number:"
                      : mode == Cascaded ? "Old Secret Phrase:"
                                          : "Not Applicable:"};
  switch (mode) {
    case Public: c.phrase_masking = {Masking::kUnchanged, Masking::kUnchanged}; break;
    case Private:
    case Universal: c.phrase_masking = {Masking::kMasked, Masking::kUnchanged}; break;
    case Unique: c.phrase_masking = {Masking::kMasked, Masking::kClear}; break;
    case Cascaded: c.phrase_masking = {Masking::kUnchanged, Masking::kMasked}; break;
  }
  // Column 2 "Used to encrypt", column 3 "Embedded in barcode"; rows:
  // company name, Code Generator address, tag, phrase 0, phrase 1.
  const bool embedded = authorization;
  c.usage = {{{12, mode == Private || mode == Cascaded},
              {22, false},
              {32, false},
              {42, mode == Private},
              {52, second_phrase},
              {13, embedded},
              {23, false},
              {33, embedded},
              {43, embedded},
              {53, false}}};
  return c;
}

SecurityStatus SecurityStatusFor(const SecurityStatusInputs& in) {
  SecurityStatus status;
  if (!in.linked) return status;
  if (IsAuthorization(in.mode)) {
    if (in.data_choice != app::kAuthorization) status.select_data_choice = app::kAuthorization;
  } else if (in.data_choice == app::kAuthorization) {
    status.select_data_choice = app::kWebAddress;
  }
  std::optional<std::string> message;
  if (in.mode != SecurityMode::Public) message = CheckNotBlank(in.caption[0], in.phrase[0]);
  if (!message && in.mode == SecurityMode::Unique) message = CheckReaderSerialNumber(in.phrase[1]);
  if (!message && in.mode == SecurityMode::Cascaded) message = CheckNotBlank(in.caption[1], in.phrase[1]);
  status.status_text = message.value_or("");
  return status;
}

std::string BuildStatusText(SecurityMode mode, const std::array<std::u16string, 2>& phrase, int data_choice) {
  SecurityStatusInputs inputs;
  inputs.mode = mode;
  inputs.phrase = phrase;
  const SecurityControls controls = ControlsForMode(mode);
  for (int i = 0; i < 2; ++i) inputs.caption[i] = controls.phrase_caption[i];
  inputs.linked = true;
  inputs.data_choice = data_choice;
  return SecurityStatusFor(inputs).status_text.value_or("");
}

}  // namespace tessellux::security
