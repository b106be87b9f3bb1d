// Drawing one 120 by 30 button face (frame, background and focus marks) into a picture, for
// each of the kit's fourteen button styles, at rest and pressed. A window of a hundred buttons
// repaints all of them: a hundred times the time per face.

#include "widgets/KitGraph.h"

#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

namespace {

void BM_KitButtonFace(benchmark::State& state)
{
    const auto style = static_cast<TKitUserButtonStyle>(state.range(0));
    const int drawState = static_cast<int>(state.range(1));
    QImage picture(120, 30, QImage::Format_RGB32);
    QPainter painter(&picture);
    TCanvas canvas;
    TCanvasPaint scope(canvas, painter);
    for (auto _ : state) {
        TRect rect{0, 0, 120, 30};
        benchmark::DoNotOptimize(KitDrawButtonFrame(canvas, false, clBtnFace, kitButtonDefault | kitButtonFocused,
                                                    drawState, style, rect));
        benchmark::DoNotOptimize(rect);
    }
    state.SetLabel(drawState == 0 ? "at rest" : "pressed");
}

BENCHMARK(BM_KitButtonFace)
    ->ArgsProduct({benchmark::CreateDenseRange(0, 13, 1), {0, 4}})
    ->Unit(benchmark::kMicrosecond);

}  // namespace
