#include "report/SvgPicture.h"

#include "report/MarkupText.h"

namespace brevane {

namespace {

std::string_view AnchorName(SvgPicture::Anchor anchor) {
    switch (anchor) {
        case SvgPicture::Anchor::Middle:
            return "middle";
        case SvgPicture::Anchor::End:
            return "end";
        case SvgPicture::Anchor::Start:
            break;
    }
    return "start";
}

}  // namespace

SvgPicture::SvgPicture(double width, double height, std::string_view label)
    : width_(width), height_(height), label_(EscapeMarkup(label)) {}

void SvgPicture::Rect(double x, double y, double w, double h, std::string_view colour) {
    body_ += "<rect x=\"" + SvgNumber(x) + "\" y=\"" + SvgNumber(y) + "\" width=\"" + SvgNumber(w) +
             "\" height=\"" + SvgNumber(h) + "\" fill=\"" +
             (colour.empty() ? std::string("none") : EscapeMarkup(colour)) + "\"" +
             (colour.empty() ? " stroke=\"#888\"" : "") + "/>";
}

void SvgPicture::Line(double x1, double y1, double x2, double y2, std::string_view colour,
                      double strokeWidth, bool dashed) {
    body_ += "<line x1=\"" + SvgNumber(x1) + "\" y1=\"" + SvgNumber(y1) + "\" x2=\"" +
             SvgNumber(x2) + "\" y2=\"" + SvgNumber(y2) + "\" stroke=\"" + EscapeMarkup(colour) +
             "\" stroke-width=\"" + SvgNumber(strokeWidth) + "\"" +
             (dashed ? " stroke-dasharray=\"5 3\"" : "") + "/>";
}

void SvgPicture::Circle(double cx, double cy, double r, std::string_view colour) {
    body_ += "<circle cx=\"" + SvgNumber(cx) + "\" cy=\"" + SvgNumber(cy) + "\" r=\"" +
             SvgNumber(r) + "\" fill=\"" + EscapeMarkup(colour) + "\"/>";
}

void SvgPicture::Text(double x, double y, std::string_view text, Anchor anchor, double size,
                      bool bold, std::string_view colour) {
    body_ += "<text x=\"" + SvgNumber(x) + "\" y=\"" + SvgNumber(y) + "\" font-size=\"" +
             SvgNumber(size) + "\"";
    if (anchor != Anchor::Start)
        body_ += " text-anchor=\"" + std::string(AnchorName(anchor)) + "\"";
    if (bold) body_ += " font-weight=\"bold\"";
    body_ += " fill=\"" + EscapeMarkup(colour) + "\">" + EscapeMarkup(text) + "</text>";
}

std::string SvgPicture::Finish() const {
    const std::string w = SvgNumber(width_);
    const std::string h = SvgNumber(height_);
    return "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 " + w + " " + h +
           "\" width=\"" + w + "\" height=\"" + h + "\" role=\"img\" aria-label=\"" + label_ +
           "\" font-family=\"DejaVu Sans, Arial, sans-serif\">" + body_ + "</svg>";
}

}  // namespace brevane
