#include "controls.h"

namespace tavola {

const char* NameOf(Label label) {
    switch (label) {
    case Label::lblNum1:
        return "lblNum1";
    case Label::lblNum2:
        return "lblNum2";
    case Label::lblMessage:
        return "lblMessage";
    case Label::lblScore:
        return "lblScore";
    case Label::lblScore1:
        return "lblScore1";
    case Label::lblScore2:
        return "lblScore2";
    case Label::lblconto:
        return "lblconto";
    case Label::lblpunti:
        return "lblpunti";
    case Label::lblnome:
        return "lblnome";
    case Label::lblnome1:
        return "lblnome1";
    }
    return "";
}

} // namespace tavola
