#include "tests/support/RecordingView.h"

#include <algorithm>

namespace th::test {

namespace {

// The window's initial contents, by field.
Text InitialText(Field field) {
  switch (field) {
    case Field::clbModemType:
      return u"Direct";
    case Field::clbLogID:
      return u"ID";
    case Field::cbbPortno:
      return u"COM1";
    case Field::edtBaudrate:
      return u"9600";
    case Field::edtParity:
      return u"None";
    case Field::edtStopbits:
      return u"1";
    case Field::edtInterval:
      return u"30";
    case Field::edtDelay:
      return u"5";
    case Field::edtSaveFile1:
      return u"CR000";
    case Field::edtSaveFile2:
      return u"CR001";
    default:
      return {};
  }
}

}  // namespace

void RecordingView::record(int panel, const Text& text) {
  panels_.at(static_cast<std::size_t>(panel)) = text;
  history_.at(static_cast<std::size_t>(panel)).push_back(ToUtf8(text));
  stamped_.push_back({clock_ ? clock_() : 0, panel, ToUtf8(text)});
}

Text RecordingView::fieldText(Field field) const {
  if (!device_) {
    return InitialText(field);
  }
  const auto* shows = std::find_if(kFieldShows.begin(), kFieldShows.end(),
                                   [&](const FieldShows& f) { return f.field == field; });
  return (*device_).*(shows->text);
}

bool RecordingView::isChecked(Check box) const {
  if (!device_) {
    return false;
  }
  const auto* shows = std::find_if(kCheckShows.begin(), kCheckShows.end(),
                                   [&](const CheckShows& c) { return c.check == box; });
  return (*device_).*(shows->value);
}

}  // namespace th::test
