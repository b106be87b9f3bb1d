#include "platform/gui/DrawText.h"

#include "platform/gui/GuiText.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <vector>

namespace {

QFont SpacedFont(const TFont& font, int characterExtra)
{
    QFont qfont = font.ToQFont();
    if (characterExtra != 0) {
        qfont.setLetterSpacing(QFont::AbsoluteSpacing, characterExtra);
    }
    return qfont;
}

// The text as shown: accelerator marks removed (the characters they mark flagged), tabs
// expanded or turned into spaces.
struct ShownText {
    QString text;
    std::vector<bool> underlined;
};

ShownText Prepare(const std::string& ansi, unsigned format)
{
    const QString source = ToQString(ansi);
    ShownText shown;
    const bool prefixes = (format & DT_NOPREFIX) == 0;
    int column = 0;
    bool underlineNext = false;
    for (qsizetype i = 0; i < source.size(); ++i) {
        QChar c = source[i];
        if (prefixes && c == u'&') {
            if (i + 1 < source.size() && source[i + 1] == u'&') {
                ++i;
            } else {
                underlineNext = true;
                continue;
            }
        }
        if (c == u'\t') {
            const int spaces = (format & DT_EXPANDTABS) ? 8 - column % 8 : 1;
            for (int s = 0; s < spaces; ++s) {
                shown.text += u' ';
                shown.underlined.push_back(false);
            }
            column += spaces;
            underlineNext = false;
            continue;
        }
        column = (c == u'\n' || c == u'\r') ? 0 : column + 1;
        shown.text += c;
        shown.underlined.push_back(underlineNext);
        underlineNext = false;
    }
    return shown;
}

struct Line {
    qsizetype start = 0;
    qsizetype end = 0;
};

bool IsLineEnd(QChar c)
{
    return c == u'\r' || c == u'\n';
}

std::vector<Line> BreakLines(const ShownText& shown, unsigned format, const QFontMetrics& metrics, int maxWidth)
{
    const QString& text = shown.text;
    std::vector<Line> hard;
    if (text.isEmpty()) {
        return hard;
    }
    if (format & DT_SINGLELINE) {
        hard.push_back({0, text.size()});
    } else {
        qsizetype start = 0;
        for (qsizetype i = 0; i <= text.size(); ++i) {
            if (i == text.size() || IsLineEnd(text[i])) {
                hard.push_back({start, i});
                if (i < text.size() && text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
                start = i + 1;
            }
        }
    }
    if (!(format & DT_WORDBREAK) || (format & DT_SINGLELINE)) {
        return hard;
    }
    auto width = [&](qsizetype from, qsizetype to) { return metrics.horizontalAdvance(text.mid(from, to - from)); };
    std::vector<Line> lines;
    for (const Line& line : hard) {
        qsizetype start = line.start;
        if (start == line.end) {
            lines.push_back(line);
            continue;
        }
        while (start < line.end) {
            qsizetype lineEnd = -1;
            qsizetype j = start;
            while (true) {
                while (j < line.end && text[j] == u' ') ++j;
                while (j < line.end && text[j] != u' ') ++j;
                if (lineEnd < 0 || width(start, j) <= maxWidth) {
                    lineEnd = j;
                } else {
                    break;
                }
                if (j >= line.end) break;
            }
            // Spaces where the line breaks belong to neither line.
            qsizetype shownEnd = lineEnd;
            while (shownEnd > start && text[shownEnd - 1] == u' ' && lineEnd < line.end) --shownEnd;
            lines.push_back({start, shownEnd});
            start = lineEnd;
            while (start < line.end && text[start] == u' ') ++start;
        }
    }
    return lines;
}

}  // namespace

int TextWidthWithExtra(const TFont& font, const std::string& text, int characterExtra)
{
    return QFontMetrics(SpacedFont(font, characterExtra)).horizontalAdvance(ToQString(text));
}

int TextLineHeight(const TFont& font)
{
    return QFontMetrics(font.ToQFont()).height();
}

int DrawTextEx(TCanvas& canvas, const std::string& text, TRect& rect, unsigned format, const TTextDrawOptions& options)
{
    const QFont font = SpacedFont(canvas.Font(), options.characterExtra);
    const QFontMetrics metrics(font);
    const ShownText shown = Prepare(text, format);
    const std::vector<Line> lines = BreakLines(shown, format, metrics, rect.Width());
    const int lineHeight = metrics.height();
    const int height = lineHeight * static_cast<int>(lines.size());
    std::vector<int> widths;
    int widest = 0;
    for (const Line& line : lines) {
        widths.push_back(metrics.horizontalAdvance(shown.text.mid(line.start, line.end - line.start)));
        widest = std::max(widest, widths.back());
    }
    if (format & DT_CALCRECT) {
        rect.Right = rect.Left + widest;
        rect.Bottom = rect.Top + height;
        return height;
    }
    if (lines.empty() || !canvas.CanDraw()) {
        return height;
    }
    int top = rect.Top;
    if (format & DT_SINGLELINE) {
        if (format & DT_VCENTER) {
            top = rect.Top + (rect.Height() - lineHeight) / 2;
        } else if (format & DT_BOTTOM) {
            top = rect.Bottom - lineHeight;
        }
    }
    QPainter& painter = *canvas.Painter();
    painter.save();
    if (!(format & DT_NOCLIP)) {
        painter.setClipRect(rect.ToQRect(), Qt::IntersectClip);
    }
    const QColor colour = ToQColor(canvas.Font().Color());
    painter.setFont(font);
    painter.setPen(colour);
    painter.setBrush(Qt::NoBrush);
    for (size_t i = 0; i < lines.size(); ++i) {
        const Line& line = lines[i];
        QString part = shown.text.mid(line.start, line.end - line.start);
        bool elided = false;
        if ((format & (DT_PATH_ELLIPSIS | DT_END_ELLIPSIS)) && widths[i] > rect.Width()) {
            part = metrics.elidedText(part, (format & DT_PATH_ELLIPSIS) ? Qt::ElideMiddle : Qt::ElideRight, rect.Width());
            widths[i] = metrics.horizontalAdvance(part);
            elided = true;
        }
        int x = rect.Left;
        if (format & DT_CENTER) {
            x = rect.Left + (rect.Width() - widths[i]) / 2;
        } else if (format & DT_RIGHT) {
            x = rect.Right - widths[i];
        }
        const int y = top + static_cast<int>(i) * lineHeight;
        const int baseline = y + metrics.ascent();
        if (options.outlineWidth > 0) {
            QPainterPath path;
            path.addText(QPointF(x, baseline), font, part);
            painter.strokePath(path, QPen(colour, options.outlineWidth));
        } else {
            painter.drawText(QPoint(x, baseline), part);
        }
        for (qsizetype k = line.start; k < line.end && !elided; ++k) {
            if (!shown.underlined[static_cast<size_t>(k)]) continue;
            const int before = metrics.horizontalAdvance(shown.text.mid(line.start, k - line.start));
            const int charWidth = metrics.horizontalAdvance(shown.text[k]) - options.characterExtra;
            painter.fillRect(QRect(x + before, baseline + std::max(1, metrics.underlinePos()), std::max(1, charWidth),
                                   std::max(1, metrics.lineWidth())),
                             colour);
        }
    }
    painter.restore();
    return height;
}

void TextOutRotated(TCanvas& canvas, int x, int y, const std::string& text, int escapement, int characterExtra)
{
    if (!canvas.CanDraw()) return;
    const QFont font = SpacedFont(canvas.Font(), characterExtra);
    QPainter& painter = *canvas.Painter();
    painter.save();
    painter.setFont(font);
    painter.setPen(ToQColor(canvas.Font().Color()));
    painter.translate(x, y);
    painter.rotate(-escapement / 10.0);
    painter.drawText(QPoint(0, QFontMetrics(font).ascent()), ToQString(text));
    painter.restore();
}
