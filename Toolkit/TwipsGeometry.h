#pragma once
// Left, top, width and height in twips, as forms and controls both offer them. Each read
// or write first loads the form; Self keeps the values and says what a change brings:
//   void Touch();                        loads the form
//   float& Edge(Side side);              where the value is kept
//   void Moved();                        after the left or top changed
//   void Resize(float& edge, float twips); checks and applies a new width or height

namespace tk {

template <class Self>
class TwipsGeometry {
public:
    float Left() { return EdgeTwips(Side::Left); }
    float Top() { return EdgeTwips(Side::Top); }
    float Width() { return EdgeTwips(Side::Width); }
    float Height() { return EdgeTwips(Side::Height); }
    void SetLeft(float twips) { MoveEdge(Side::Left, twips); }
    void SetTop(float twips) { MoveEdge(Side::Top, twips); }
    // A size below 0 is refused with a Failure.
    void SetWidth(float twips) { self().Resize(self().Edge(Side::Width), twips); }
    void SetHeight(float twips) { self().Resize(self().Edge(Side::Height), twips); }

protected:
    enum class Side { Left, Top, Width, Height };
    TwipsGeometry() = default;
    ~TwipsGeometry() = default;

private:
    Self& self() { return static_cast<Self&>(*this); }
    float EdgeTwips(Side side) {
        self().Touch();
        return self().Edge(side);
    }
    void MoveEdge(Side side, float twips) {
        self().Touch();
        self().Edge(side) = twips;
        self().Moved();
    }
};

}  // namespace tk
