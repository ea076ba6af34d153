#include "tests/support/RecordingView.h"

namespace th::test {

RecordingView::RecordingView() {
  // The window's initial contents.
  setFieldText(Field::clbModemType, u"Direct");
  setFieldText(Field::clbLogID, u"ID");
  setFieldText(Field::cbbPortno, u"COM1");
  setFieldText(Field::edtBaudrate, u"9600");
  setFieldText(Field::edtParity, u"None");
  setFieldText(Field::edtStopbits, u"1");
  setFieldText(Field::edtInterval, u"30");
  setFieldText(Field::edtDelay, u"5");
  setFieldText(Field::edtSaveFile1, u"CR000");
  setFieldText(Field::edtSaveFile2, u"CR001");
}

void RecordingView::setPanelText(int panel, const Text& text) {
  panels_.at(panel) = text;
  history_.at(panel).push_back(ToUtf8(text));
  stamped_.push_back({clock_ ? clock_() : 0, panel, ToUtf8(text)});
}

void RecordingView::setFieldText(Field field, const Text& text) {
  fields_.at(static_cast<std::size_t>(field)) = text;
}

Text RecordingView::fieldText(Field field) const {
  return fields_.at(static_cast<std::size_t>(field));
}

void RecordingView::setChecked(Check box, bool checked) {
  checks_.at(static_cast<std::size_t>(box)) = checked;
}

bool RecordingView::isChecked(Check box) const { return checks_.at(static_cast<std::size_t>(box)); }

void RecordingView::setBusyPointer(bool busy) { busy_.push_back(busy); }

}  // namespace th::test
