#include "recordbrowser/form_pictures.h"

#include "base/scoped_gdi.h"

namespace vantrel {

namespace {

// Pen and brush of one colour, selected for the scope.
class Ink {
 public:
  Ink(HDC dc, COLORREF color, int width = 1)
      : dc_(dc), pen_(CreatePen(PS_SOLID, width, color)), brush_(CreateSolidBrush(color)) {
    oldPen_ = SelectObject(dc_, pen_.Get());
    oldBrush_ = SelectObject(dc_, brush_.Get());
  }
  Ink(const Ink&) = delete;
  Ink& operator=(const Ink&) = delete;
  ~Ink() {
    SelectObject(dc_, oldPen_);
    SelectObject(dc_, oldBrush_);
  }

 private:
  HDC dc_;
  base::ScopedPen pen_;
  base::ScopedBrush brush_;
  HGDIOBJ oldPen_;
  HGDIOBJ oldBrush_;
};

void Box(HDC dc, COLORREF color, int l, int t, int r, int b) {
  Ink ink(dc, color);
  Rectangle(dc, l, t, r, b);
}

void Shape(HDC dc, COLORREF color, const POINT* points, int count) {
  Ink ink(dc, color);
  Polygon(dc, points, count);
}

void Line(HDC dc, COLORREF color, int width, int x0, int y0, int x1, int y1) {
  Ink ink(dc, color, width);
  MoveToEx(dc, x0, y0, nullptr);
  LineTo(dc, x1, y1);
}

// Coordinates on a 24-unit grid, scaled to the picture.
struct Grid {
  int size;
  int operator()(int units) const { return units * size / 24; }
};

}  // namespace

void DrawPicture(fw::Bitmap& bitmap, Picture picture, int size) {
  bitmap.SetBitsPerPixel(24);
  bitmap.SetSize(size, size);
  HDC dc = bitmap.Dc();
  const RECT all{0, 0, size, size};
  {
    base::ScopedBrush background(CreateSolidBrush(kPictureBackground));
    FillRect(dc, &all, background.Get());
  }
  const Grid g{size};
  switch (picture) {
    case Picture::kDate:  // a calendar leaf
      Box(dc, RGB(255, 255, 255), g(3), g(4), g(21), g(21));
      Box(dc, RGB(200, 30, 30), g(3), g(4), g(21), g(9));
      for (int row = 0; row < 3; ++row) {
        for (int col = 0; col < 4; ++col) {
          const int x = g(5 + col * 4), y = g(11 + row * 3);
          Box(dc, RGB(60, 60, 140), x, y, x + g(2) + 1, y + g(2) + 1);
        }
      }
      break;
    case Picture::kCamera: {  // a camera body with its lens
      Box(dc, RGB(90, 90, 100), g(2), g(8), g(18), g(19));
      const POINT hood[] = {{g(18), g(11)}, {g(22), g(8)}, {g(22), g(19)}, {g(18), g(16)}};
      Shape(dc, RGB(60, 60, 70), hood, 4);
      Ink lens(dc, RGB(40, 120, 220));
      Ellipse(dc, g(6), g(10), g(13), g(17));
      break;
    }
    case Picture::kArea: {  // a map with a pin
      Box(dc, RGB(90, 180, 90), g(2), g(6), g(22), g(21));
      Line(dc, RGB(240, 240, 200), 1 + size / 16, g(2), g(16), g(22), g(10));
      const POINT pin[] = {{g(12), g(18)}, {g(8), g(9)}, {g(16), g(9)}};
      Shape(dc, RGB(210, 30, 30), pin, 3);
      Ink head(dc, RGB(210, 30, 30));
      Ellipse(dc, g(8), g(3), g(16), g(11));
      break;
    }
    case Picture::kMedia:  // a film strip
      Box(dc, RGB(30, 30, 30), g(3), g(2), g(21), g(22));
      for (int i = 0; i < 4; ++i) {
        const int y = g(4 + i * 5);
        Box(dc, RGB(255, 255, 255), g(4), y, g(6) + 1, y + g(2) + 1);
        Box(dc, RGB(255, 255, 255), g(18), y, g(20) + 1, y + g(2) + 1);
      }
      Box(dc, RGB(120, 170, 230), g(8), g(4), g(16), g(20));
      break;
    case Picture::kGoto: {  // an arrow to the right
      const POINT arrow[] = {{g(2), g(9)},   {g(13), g(9)},  {g(13), g(4)}, {g(22), g(12)},
                             {g(13), g(20)}, {g(13), g(15)}, {g(2), g(15)}};
      Shape(dc, RGB(30, 130, 60), arrow, 7);
      break;
    }
    case Picture::kView: {  // a screen playing
      Box(dc, RGB(40, 40, 60), g(2), g(4), g(22), g(20));
      const POINT play[] = {{g(9), g(7)}, {g(17), g(12)}, {g(9), g(17)}};
      Shape(dc, RGB(240, 240, 240), play, 3);
      break;
    }
    case Picture::kLocate: {  // a folder
      const POINT tab[] = {{g(2), g(6)}, {g(9), g(6)}, {g(11), g(8)}, {g(2), g(8)}};
      Shape(dc, RGB(200, 150, 40), tab, 4);
      Box(dc, RGB(235, 190, 70), g(2), g(8), g(22), g(20));
      break;
    }
    case Picture::kDelete:  // a red cross
      Line(dc, RGB(210, 30, 30), 1 + size / 8, g(5), g(5), g(19), g(19));
      Line(dc, RGB(210, 30, 30), 1 + size / 8, g(19), g(5), g(5), g(19));
      break;
  }
  GdiFlush();
  bitmap.ReleaseDc();
}

}  // namespace vantrel
