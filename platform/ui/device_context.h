// The drawing surface behind an HDC. A renderer derives from DeviceContext and implements the
// primitives; the GDI functions of wingdi.h keep the state (colours, background mode, font) here
// and call the primitives with it. RecordingDC is the headless one: it draws nothing and keeps a
// list of every call, measured with the headless font metrics.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/ui/model.h"

namespace ovtb::ui {

class DeviceContext {
  public:
    virtual ~DeviceContext();

    // Primitives. Rectangles are in the surface's pixels; right and bottom are exclusive.
    virtual void Fill(const RECT& rect, COLORREF colour) = 0;
    virtual void FocusRect(const RECT& rect) = 0;
    // Single or multi-line text laid out in `rect` by the DT_ flags (never DT_CALCRECT).
    virtual void Text(std::string_view text, const RECT& rect, UINT format) = 0;
    // Text at a point; `rect` (may be null) clips with ETO_CLIPPED and is filled with the
    // background colour first with ETO_OPAQUE.
    virtual void TextAt(int x, int y, UINT options, const RECT* rect, std::string_view text) = 0;
    virtual void Icon(int x, int y, int iconId) { (void)x, (void)y, (void)iconId; }
    // Width and height of a single line of text in the current font.
    virtual SIZE Measure(std::string_view text) = 0;

    COLORREF textColor = RGB(0, 0, 0);
    COLORREF bkColor = RGB(255, 255, 255);
    int bkMode = OPAQUE;
    FontSpec font;
};

// Makes a DC usable through an HDC until DetachDC. The DC is not owned.
HDC AttachDC(DeviceContext* dc);
void DetachDC(HDC dc);
DeviceContext* DeviceContextOf(HDC dc);

// Headless font metrics: every character is 6 pixels wide and a line is 13 pixels high, for
// every face and size. Deterministic, so that tests and scripts can reckon widths by hand.
constexpr int kHeadlessCharWidth = 6;
constexpr int kHeadlessLineHeight = 13;
SIZE HeadlessTextExtent(std::string_view text);

struct DrawCall {
    enum class Op { Fill, FocusRect, Text, TextAt, Icon };
    Op op;
    RECT rect{};             // the rectangle given (TextAt: the clip rectangle, or empty)
    std::string text;        // Text, TextAt
    UINT flags = 0;          // DT_ flags or ETO_ options
    int x = 0, y = 0;        // TextAt, Icon
    COLORREF colour = 0;     // Fill: the brush colour
    COLORREF textColor = 0;  // the DC's colours at the time of the call
    COLORREF bkColor = 0;
    FontSpec font;
};

class RecordingDC : public DeviceContext {
  public:
    RecordingDC();
    ~RecordingDC() override;
    HDC handle() const { return hdc_; }

    void Fill(const RECT& rect, COLORREF colour) override;
    void FocusRect(const RECT& rect) override;
    void Text(std::string_view text, const RECT& rect, UINT format) override;
    void TextAt(int x, int y, UINT options, const RECT* rect, std::string_view text) override;
    void Icon(int x, int y, int iconId) override;
    SIZE Measure(std::string_view text) override;

    std::vector<DrawCall> calls;
    // The texts of the Text and TextAt calls, in order.
    std::vector<std::string> Texts() const;

  private:
    HDC hdc_;
};

}  // namespace ovtb::ui
