#include "testing/container/box_recorder.h"

#include "testing/container/dialog_items.h"

namespace test_container {

BoxRecorder::BoxRecorder()
    : intercept_([this](HWND, const std::wstring& text, const std::wstring&, UINT) {
        std::lock_guard<std::mutex> hold(lock_);
        boxes_.push_back({InCodePage(text, 936), GetCurrentThreadId()});
        return IDOK;
      }) {}

std::vector<BoxRecorder::Box> BoxRecorder::Boxes() {
  std::lock_guard<std::mutex> hold(lock_);
  return boxes_;
}

std::vector<std::string> BoxRecorder::Texts() {
  std::vector<std::string> texts;
  for (const Box& box : Boxes()) texts.push_back(box.text);
  return texts;
}

std::string BoxRecorder::Last() {
  const auto boxes = Boxes();
  return boxes.empty() ? std::string() : boxes.back().text;
}

bool BoxRecorder::Has(const std::string& text) {
  for (const Box& box : Boxes()) {
    if (box.text == text) return true;
  }
  return false;
}

std::string BoxRecorder::Describe() {
  std::string out;
  for (const Box& box : Boxes()) out += "[" + HexBytes(box.text) + "] ";
  return out.empty() ? "no box" : out;
}

}  // namespace test_container
