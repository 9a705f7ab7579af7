#pragma once

#include <string>
#include <string_view>

namespace brevane {

// An SVG picture written as text, for inlining in an HTML page: every text it is given is
// escaped (EscapeMarkup), every number written with "." whatever the locale. The picture
// scales to the width of its container, keeping its proportions.
class SvgPicture {
  public:
    enum class Anchor { Start, Middle, End };

    // `label` names the picture for readers that cannot see it.
    SvgPicture(double width, double height, std::string_view label);

    double Width() const { return width_; }
    double Height() const { return height_; }

    // `colour` is a CSS colour ("#b2182b"); an empty one leaves the shape unfilled.
    void Rect(double x, double y, double w, double h, std::string_view colour);
    void Line(double x1, double y1, double x2, double y2, std::string_view colour,
              double strokeWidth = 1, bool dashed = false);
    void Circle(double cx, double cy, double r, std::string_view colour);
    // Text whose baseline starts, is centred or ends at (x, y).
    void Text(double x, double y, std::string_view text, Anchor anchor = Anchor::Start,
              double size = 12, bool bold = false, std::string_view colour = "#222");

    // The whole <svg> element.
    std::string Finish() const;

  private:
    double width_;
    double height_;
    std::string label_;
    std::string body_;
};

}  // namespace brevane
