#pragma once

namespace zelvan {

// The fixed identification line of the module firmware: the first line of every
// version reply and of the greeting a module sends when it restarts. The panel
// recognises a module restart by it, so both sides take it from here.
inline constexpr char kModuleBanner[] = ".  Zelvan 064 M1.3";
inline constexpr int kModuleBannerLength = 18;
static_assert(sizeof(kModuleBanner) - 1 == kModuleBannerLength);

} // namespace zelvan
