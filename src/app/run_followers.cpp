#include "app/run_followers.h"

namespace vantrel {

WaveModes RunHub::modes() {
    const ClearVectorStateAtEnd clear;
    return m_inputs.modes();
}

std::string RunHub::iText(int box) {
    const ClearVectorStateAtEnd clear;
    return m_inputs.iText(box);
}

std::string RunHub::dText(int box) {
    const ClearVectorStateAtEnd clear;
    return m_inputs.dText(box);
}

void RunHub::setBoxText(BoxKind kind, int box, const std::string& text) {
    const ClearVectorStateAtEnd clear;
    m_inputs.setBoxText(kind, box, text);
}

} // namespace vantrel
