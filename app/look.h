#pragma once

// The colours of the window's own drawing, the hyperlink and the skinned
// look, shared by the Win32 and the Qt backends so that both look alike.

#include <optional>

namespace animal_ids {

struct Rgb {
  int red, green, blue;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};

// Each channel less amount, not below 0: the outline of a disabled control.
constexpr Rgb Darker(Rgb colour, int amount) {
  auto less = [amount](int channel) { return channel > amount ? channel - amount : 0; };
  return {less(colour.red), less(colour.green), less(colour.blue)};
}

inline constexpr Rgb kWindowBackground{236, 236, 236};
inline constexpr Rgb kLabelText{0, 0, 0};

inline constexpr Rgb kLinkNormal{0, 0, 255};
inline constexpr Rgb kLinkHover{49, 106, 197};
inline constexpr Rgb kLinkVisited{128, 0, 0};
inline constexpr Rgb kLinkBackground{236, 236, 236};

// The hover colour wins while the pointer is over the link, then the visited one.
constexpr Rgb LinkTextColour(bool hot, bool visited) {
  return hot ? kLinkHover : visited ? kLinkVisited : kLinkNormal;
}

struct SkinScheme {
  Rgb editEdge;
  Rgb buttonOutline;
};

// The scheme EnableSkin(scheme) draws with; none for any value but 1, 2 and 3.
constexpr std::optional<SkinScheme> SkinSchemeOf(int scheme) {
  switch (scheme) {
    case 1: return SkinScheme{{123, 158, 189}, {0, 60, 115}};
    case 2: return SkinScheme{{164, 185, 127}, {55, 98, 6}};
    case 3: return SkinScheme{{198, 197, 215}, {0, 60, 116}};
    default: return std::nullopt;
  }
}

// A skinned push button's face: a vertical gradient from top to bottom.
struct ButtonFace {
  Rgb top, bottom;
};
enum class ButtonState { kNormal, kHot, kPressed, kFocused, kDisabled };

constexpr ButtonFace ButtonFaceOf(ButtonState state) {
  switch (state) {
    case ButtonState::kHot: return {{255, 255, 255}, {226, 234, 247}};
    case ButtonState::kPressed: return {{222, 223, 216}, {246, 246, 243}};
    case ButtonState::kFocused: return {{255, 255, 255}, {214, 224, 242}};
    case ButtonState::kDisabled: return {{245, 244, 234}, {245, 244, 234}};
    case ButtonState::kNormal: break;
  }
  return {{255, 255, 255}, {232, 231, 224}};
}

inline constexpr Rgb kButtonCaption{0, 0, 0};
inline constexpr Rgb kDisabledButtonCaption{165, 162, 148};

}  // namespace animal_ids
