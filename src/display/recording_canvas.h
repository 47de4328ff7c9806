#pragma once

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "display/canvas.h"

// Records every draw call so that tests can check coordinates and colours.
class RecordingCanvas : public Canvas {
public:
    enum class Op { FillRect, SetPen, MoveTo, LineTo, SetPixel, SetFont, SetTextColours, Text };

    struct Call {
        Op op = Op::FillRect;
        int x = 0;  // fill: left; line: end point; text: top-left
        int y = 0;
        int x0 = 0;  // fill: right; line: start point (the pen position before the call)
        int y0 = 0;
        Colour colour = 0;  // pen, pixel, fill or text colour in force
        Colour background = 0;
        std::string text;
        CanvasFont font;
    };

    struct Segment {
        int x0, y0, x1, y1;
        Colour colour;
        bool operator==(const Segment&) const = default;
    };

    struct Pixel {
        int x, y;
        Colour colour;
        bool operator==(const Pixel&) const = default;
    };

    struct TextItem {
        int x, y;
        std::string text;
        Colour colour;
        Colour background;
    };

    void fillRect(int left, int top, int right, int bottom, Colour colour) override {
        Call c = call(Op::FillRect);
        c.x = left;
        c.y = top;
        c.x0 = right;
        c.y0 = bottom;
        c.colour = colour;
        calls.push_back(c);
    }
    void setPen(Colour colour) override {
        pen_ = colour;
        Call c = call(Op::SetPen);
        c.colour = colour;
        calls.push_back(c);
    }
    void moveTo(int x, int y) override {
        penX_ = x;
        penY_ = y;
        Call c = call(Op::MoveTo);
        c.x = x;
        c.y = y;
        calls.push_back(c);
    }
    void lineTo(int x, int y) override {
        Call c = call(Op::LineTo);
        c.x = x;
        c.y = y;
        c.x0 = penX_;
        c.y0 = penY_;
        c.colour = pen_;
        calls.push_back(c);
        penX_ = x;
        penY_ = y;
    }
    void setPixel(int x, int y, Colour colour) override {
        Call c = call(Op::SetPixel);
        c.x = x;
        c.y = y;
        c.colour = colour;
        calls.push_back(c);
    }
    void setFont(const CanvasFont& font) override {
        font_ = font;
        Call c = call(Op::SetFont);
        c.font = font;
        calls.push_back(c);
    }
    void setTextColours(Colour text, Colour background) override {
        text_ = text;
        background_ = background;
        Call c = call(Op::SetTextColours);
        c.colour = text;
        c.background = background;
        calls.push_back(c);
    }
    void textOut(int x, int y, const std::string& text) override {
        Call c = call(Op::Text);
        c.x = x;
        c.y = y;
        c.text = text;
        c.colour = text_;
        c.background = background_;
        c.font = font_;
        calls.push_back(c);
    }

    std::vector<Segment> segments() const {
        std::vector<Segment> out;
        for (const Call& c : calls) {
            if (c.op == Op::LineTo) {
                out.push_back({c.x0, c.y0, c.x, c.y, c.colour});
            }
        }
        return out;
    }
    std::vector<Segment> segments(Colour colour) const {
        auto all = segments();
        std::erase_if(all, [colour](const Segment& s) { return s.colour != colour; });
        return all;
    }
    std::vector<Pixel> pixels() const {
        std::vector<Pixel> out;
        for (const Call& c : calls) {
            if (c.op == Op::SetPixel) {
                out.push_back({c.x, c.y, c.colour});
            }
        }
        return out;
    }
    std::vector<TextItem> texts() const {
        std::vector<TextItem> out;
        for (const Call& c : calls) {
            if (c.op == Op::Text) {
                out.push_back({c.x, c.y, c.text, c.colour, c.background});
            }
        }
        return out;
    }
    std::optional<TextItem> findText(const std::string& text) const {
        for (const TextItem& t : texts()) {
            if (t.text == text) {
                return t;
            }
        }
        return std::nullopt;
    }
    void clear() { calls.clear(); }

    std::vector<Call> calls;

private:
    static Call call(Op op) {
        Call c;
        c.op = op;
        return c;
    }

    Colour pen_ = 0;
    Colour text_ = 0;
    Colour background_ = 0xFFFFFF;
    int penX_ = 0;
    int penY_ = 0;
    CanvasFont font_;
};
