// The window's controls, timers and chart series, by their own names.
// One list feeds the enum and the name table, so the two never drift apart.
#pragma once

#include <cstdint>
#include <string_view>

namespace qv {

#define QV_CONTROLS(X)                                                                             \
    /* title bar, page bar, pages */                                                               \
    X(Panel1) X(Panel2) X(Panel3) X(Panel4) X(Label32) X(bsSkinSpeedButton1) X(bsSkinSpeedButton2) \
    X(bsSkinSpeedButton3) X(bsSkinSpeedButton4) X(TntLabel1)                                       \
    /* status page */                                                                              \
    X(Label2) X(ComboBox2) X(ComboBox1) X(Button1) X(Memo1) X(EdDate) X(Label9) X(EdTime) X(Label8) \
    X(EdLat) X(Label6) X(EdLon) X(Label7) X(EdPDOP) X(Label10) X(Edit1) X(TheTime) X(EdMode)       \
    X(EdSBAS) X(Label3) X(EdSpeed) X(Label4) X(EdHeight) X(Label5) X(CheckBox1) X(Label1)          \
    X(CheckBox2) X(Label11) X(CheckBox3) X(Label12) X(CheckBox4) X(Label13) X(CheckBox5) X(Label15) \
    X(CheckBox6) X(Label16) X(CheckBox7) X(Label14) X(CheckBox9) X(Label28) X(hot) X(warm) X(cold) \
    X(Chart1) X(GPChart) X(Label26) X(GLChart) X(Label34) X(GAChart) X(Label35) X(JpChart)         \
    X(Label36)                                                                                     \
    /* settings page */                                                                            \
    X(Label17) X(cbGLL) X(cbRMC) X(cbVTG) X(cbGGA) X(cbGSA) X(cbGSV) X(cbZDA) X(cbMCHN)            \
    X(btDefault) X(btNAQuery) X(btConfirm) X(Label18) X(lbFix) X(Label38) X(lbRS) X(Label40)       \
    X(Label19) X(cbFix) X(btFixQuery) X(btFixSet) X(Label41) X(btBr) X(btBrSet) X(Label22)         \
    X(rbWAAS) X(Label20) X(rbDisable) X(Label21) X(btDGQuery) X(btDGPSSet) X(Label37) X(rbEasyEn)  \
    X(labelEE) X(rbEasyDi) X(labelED) X(btQEasy) X(btSetEasy) X(Label29) X(Label39) X(Button2)     \
    X(Button3) X(Button4) X(Label30) X(StartLog) X(StopLog) X(Label31) X(btVerQuery) X(Label27)    \
    X(Label23) X(Label24)

#define QV_ENUM_ENTRY(name) name,
enum class Ctl : std::uint16_t { QV_CONTROLS(QV_ENUM_ENTRY) Count };

enum class Timer : std::uint8_t { Timer1, Timer2, Timer3, Count };

// Chart series: the sky view's bubbles and the four signal bar charts.
enum class Series : std::uint8_t { Series1, GPSeries, GLSeries, GASeries, JpSeries, Count };
#undef QV_ENUM_ENTRY

constexpr int kControlCount = static_cast<int>(Ctl::Count);
constexpr int kTimerCount = static_cast<int>(Timer::Count);
constexpr int kSeriesCount = static_cast<int>(Series::Count);

std::string_view ControlName(Ctl c);
std::string_view TimerName(Timer t);
std::string_view SeriesName(Series s);
// Ctl::Count when no control has that name.
Ctl ControlByName(std::string_view name);

}  // namespace qv
