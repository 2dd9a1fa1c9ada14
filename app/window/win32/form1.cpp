// SPDX-License-Identifier: MIT
#include "app/window/win32/form1.h"

#include "app/process/wide_text.h"

namespace {

constexpr wchar_t kClassName[] = L"KolvanerForm1";
constexpr UINT_PTR kTimer1 = 1;
// A fixed size: caption, system menu, minimise button; nothing to maximise to.
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr DWORD kExStyle = 0;
constexpr UINT kTextFormat = DT_LEFT | DT_TOP | DT_NOPREFIX;
// The compass rose in kolvaner.rc.
constexpr WORD kIconResource = 1;

HFONT MakeFont(const FontSpec& spec, int dpi) {
    // A negative height asks for the em size, as a point size does.
    return CreateFontW(-PointsToPixels(spec.points, dpi), 0, 0, 0, spec.weight, FALSE, FALSE, FALSE,
                       DEFAULT_CHARSET, OUT_TT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       DEFAULT_PITCH | FF_SWISS, WideText(spec.family).c_str());
}

// What a message's parameter or a window's user data points to: the Win32 API passes
// pointers as integers.
template <typename Target, typename Integer>
Target* PointerIn(Integer value) {
    return reinterpret_cast<Target*>(value);  // NOLINT(performance-no-int-to-ptr)
}

HICON CompassRose(HINSTANCE instance, int size) {
    return static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(kIconResource), IMAGE_ICON,
                                         size, size, LR_DEFAULTCOLOR | LR_SHARED));
}

}  // namespace

Form1::Form1(HINSTANCE instance)
    : Label1{kLabel1Geometry, kLabel1Font, kLabel1ForeColor, {}},
      Label2{kLabel2Geometry, kLabel2Font, kLabel2ForeColor, WideText(kLabel2Caption)},
      background_(CreateSolidBrush(kForm1BackColor)) {
    WNDCLASSEXW form_class{};
    form_class.cbSize = sizeof form_class;
    form_class.lpfnWndProc = WindowProcedure;
    form_class.hInstance = instance;
    form_class.hIcon = CompassRose(instance, GetSystemMetrics(SM_CXICON));
    form_class.hIconSm = CompassRose(instance, GetSystemMetrics(SM_CXSMICON));
    form_class.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    form_class.hbrBackground = background_;
    form_class.lpszClassName = kClassName;
    RegisterClassExW(&form_class);
    // Where the system puts new windows; the size follows once the window knows its DPI.
    CreateWindowExW(kExStyle, kClassName, WideText(kForm1Caption).c_str(), kStyle, CW_USEDEFAULT,
                    CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance, this);
}

Form1::~Form1() {
    // Ended without a close (the message loop was told to quit): the port still closes.
    Unload();
    if (window_ != nullptr) {
        DestroyWindow(window_);
    }
    for (const Label* label : {&Label1, &Label2}) {
        DeleteObject(label->font);
    }
    UnregisterClassW(kClassName, GetModuleHandleW(nullptr));
    DeleteObject(background_);
}

void Form1::Start(int show_command) {
    Form1Load(state_);
    if (!state_.unloaded && window_ != nullptr) {
        ShowWindow(window_, show_command);
        UpdateWindow(window_);
    }
}

VARIANT Form1::Testen() {
    Form1Testen();
    VARIANT empty{};
    empty.vt = VT_EMPTY;
    return empty;
}

void Form1::meting() {
    Form1Meting();
}

LRESULT CALLBACK Form1::WindowProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_NCCREATE) {
        auto* form = static_cast<Form1*>(PointerIn<CREATESTRUCTW>(lparam)->lpCreateParams);
        form->window_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
    }
    auto* form = PointerIn<Form1>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (form == nullptr) {
        return DefWindowProcW(window, message, wparam, lparam);
    }
    return form->OnMessage(message, wparam, lparam);
}

LRESULT Form1::OnMessage(UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_CREATE:
            OnCreate();
            return 0;
        case WM_PAINT:
            Paint();
            return 0;
        case WM_TIMER:
            if (wparam == kTimer1) {
                Timer1Tick();
            }
            return 0;
        case WM_DPICHANGED:
            OnDpiChanged(HIWORD(wparam), *PointerIn<const RECT>(lparam));
            return 0;
        case WM_QUERYENDSESSION:
            return TRUE;
        case WM_ENDSESSION:
            // The session ends (log off, shut down): the process may go any moment now.
            if (wparam != FALSE) {
                Unload();
            }
            return 0;
        case WM_DESTROY:
            Unload();
            PostQuitMessage(0);
            return 0;
        case WM_NCDESTROY:
            SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
            window_ = nullptr;
            return 0;
        default:
            return DefWindowProcW(window_, message, wparam, lparam);
    }
}

void Form1::OnCreate() {
    dpi_ = static_cast<int>(GetDpiForWindow(window_));
    MakeFonts();
    RECT frame{0, 0, TwipsToPixels(kForm1ClientWidth, dpi_),
               TwipsToPixels(kForm1ClientHeight, dpi_)};
    AdjustWindowRectExForDpi(&frame, kStyle, FALSE, kExStyle, static_cast<UINT>(dpi_));
    SetWindowPos(window_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    // Ticks come as WM_TIMER on this thread, one at a time: a slow read delays the next.
    SetTimer(window_, kTimer1, kTimer1IntervalMs, nullptr);
}

// Moved to a monitor of another DPI: the system suggests the frame, the rest follows.
void Form1::OnDpiChanged(int dpi, const RECT& suggested) {
    dpi_ = dpi;
    MakeFonts();
    SetWindowPos(window_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(window_, nullptr, TRUE);
}

void Form1::MakeFonts() {
    for (Label* label : {&Label1, &Label2}) {
        DeleteObject(label->font);
        label->font = MakeFont(label->font_spec, dpi_);
    }
}

RECT Form1::PixelsOf(const TwipRect& twips) const {
    const int left = TwipsToPixels(twips.left, dpi_);
    const int top = TwipsToPixels(twips.top, dpi_);
    return {left, top, left + TwipsToPixels(twips.width, dpi_),
            top + TwipsToPixels(twips.height, dpi_)};
}

// The labels draw only their text, clipped to their rectangles; the class brush has
// already filled the background.
void Form1::Paint() {
    PAINTSTRUCT paint{};
    const HDC dc = BeginPaint(window_, &paint);
    SetBkMode(dc, TRANSPARENT);
    for (const Label* label : {&Label1, &Label2}) {
        RECT area = PixelsOf(label->geometry);
        const HGDIOBJ previous = SelectObject(dc, label->font);
        SetTextColor(dc, label->colour);
        DrawTextW(dc, label->caption.c_str(), static_cast<int>(label->caption.size()), &area,
                  kTextFormat);
        SelectObject(dc, previous);
    }
    EndPaint(window_, &paint);
}

void Form1::Timer1Tick() {
    std::wstring caption = WideText(Form1Timer1Tick(state_));
    if (caption != Label1.caption) {
        Label1.caption = std::move(caption);
        const RECT area = PixelsOf(Label1.geometry);
        InvalidateRect(window_, &area, TRUE);
    }
}

void Form1::Unload() {
    if (window_ != nullptr) {
        KillTimer(window_, kTimer1);
    }
    if (Form1Unload(state_)) {
        // For a debugger or DebugView: every way out passes here once.
        OutputDebugStringW(L"kolvaner: unload: CLOSECOM\n");
    }
}
