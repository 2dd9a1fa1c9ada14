// SPDX-License-Identifier: MIT
// Form1 on the Win32 API: the program's one window. Timer1 reads the compass every 500 ms
// and Label1 shows the bearing; the serial port is open from load to unload. The labels
// are drawn by the window itself, in their rectangles, on the window's own background.
#pragma once

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <oaidl.h>

#include <string>

#include "app/window/core/form1_core.h"
#include "app/window/core/form1_layout.h"

struct Label {
    const TwipRect& geometry;
    const FontSpec& font_spec;
    COLORREF colour;
    std::wstring caption;
    HFONT font = nullptr;
};

class Form1 {
  public:
    // Creates the window, hidden, sized from twips at its monitor's DPI, and starts Timer1.
    explicit Form1(HINSTANCE instance);
    ~Form1();
    Form1(const Form1&) = delete;
    Form1& operator=(const Form1&) = delete;

    // Loads the window, which opens the bus and may wait for OK on a message box, then
    // shows it unless it was closed meanwhile.
    void Start(int show_command);

    // Diagnostics for the thermometer and the input port; nothing in the program calls them.
    // Ten temperature reads; the result is the empty variant (VT_EMPTY).
    VARIANT Testen();
    // One temperature read, then one read of the input port at 0x20.
    void meting();

    HWND Handle() const { return window_; }

    Label Label1;
    Label Label2;

  private:
    static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wparam,
                                            LPARAM lparam);
    LRESULT OnMessage(UINT message, WPARAM wparam, LPARAM lparam);
    void OnCreate();
    void OnDpiChanged(int dpi, const RECT& suggested);
    void Paint();
    void Timer1Tick();
    void Unload();
    void MakeFonts();
    RECT PixelsOf(const TwipRect& twips) const;

    HWND window_ = nullptr;
    HBRUSH background_ = nullptr;
    int dpi_ = kDesignDpi;
    Form1State state_;
};
