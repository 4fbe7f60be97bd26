#pragma once

#include <QIcon>

namespace tv {

// The tool bar's glyphs, drawn at run time.
enum class TGlyph { New, Open, Save, SaveAs, Exit, Help, Undo, Redo, Play };

QIcon ToolGlyph(TGlyph glyph);

} // namespace tv
