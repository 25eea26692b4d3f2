#pragma once
// The program's own pictures (app/artwork.h) painted with Qt: the about box picture and the
// window icon.

#include <QIcon>
#include <QPixmap>

namespace kvo {

// 193 x 132: a bladed rotor with its sensors and a pulse trace.
QPixmap paintAboutPicture();

// 32 x 32 rotor in a few plain colours.
QIcon paintApplicationIcon();

}  // namespace kvo
