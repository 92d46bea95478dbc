// The hidden window of the animation library: it owns the timer and the
// nine frames and draws them into the bar's icon.
#pragma once
#include <windows.h>

namespace qaz::anim {

constexpr const char* kAniClass = "TJX_QAZAni";
constexpr const char* kAniCaption = "QAZ Animation";
constexpr UINT_PTR kTimerId = 1;
constexpr UINT kTimerInterval = 100;  // ms
// The bar the animation belongs to.
constexpr const char* kBarClass = "TJX_QAZMain";
constexpr const char* kBarTitle = "QAZ";

}  // namespace qaz::anim
