// Controls that carry their caption in German and in English. German is the display language:
// writing CaptionGerman also sets the visible Caption (on every write, even with the same or an
// empty text); writing CaptionEnglish only stores the text. Reading either returns the stored
// text, not the visible caption. Everything else is the base class's own behaviour.
#pragma once

#include "toolkit/button.h"
#include "toolkit/check_box.h"
#include "toolkit/group_box.h"
#include "toolkit/label.h"
#include "toolkit/radio_button.h"

#include <string>

namespace controls {

// The two language texts on top of a toolkit control; the setters are ordinary methods.
template <typename Base> class TBilingual : public Base {
public:
    using Base::Base;

    const std::string& CaptionEnglish() const { return FCaptionEnglish; }
    void SetCaptionEnglish(const std::string& text) { FCaptionEnglish = text; }
    const std::string& CaptionGerman() const { return FCaptionGerman; }
    void SetCaptionGerman(const std::string& text) {
        FCaptionGerman = text;
        this->SetCaption(text);
    }

private:
    std::string FCaptionEnglish;
    std::string FCaptionGerman;
};

class TExtLabel : public TBilingual<toolkit::TLabel> {
public:
    using TBilingual::TBilingual;
};

class TExtButton : public TBilingual<toolkit::TButton> {
public:
    using TBilingual::TBilingual;
};

class TExtCheckBox : public TBilingual<toolkit::TCheckBox> {
public:
    using TBilingual::TBilingual;
};

class TExtRadioButton : public TBilingual<toolkit::TRadioButton> {
public:
    using TBilingual::TBilingual;
};

class TExtGroupBox : public TBilingual<toolkit::TGroupBox> {
public:
    using TBilingual::TBilingual;
};

} // namespace controls
