// The kit's lazily built list: one keystroke of a search over 1,000 rows
// (filter, reset, paint the view), against building the same view's rows
// eagerly, every one of them a widget.

#include "BenchSupport.h"
#include "state/SharedState.h"
#include "support/FakePlatform.h"
#include "views/kit/AppKitCheckbox.h"
#include "views/kit/LazyList.h"
#include "views/kit/NeonText.h"
#include "views/kit/RoundedCard.h"
#include "views/kit/TintedLabel.h"

#include <QImage>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include <benchmark/benchmark.h>

using namespace tw;

namespace {

// A card as a list shows it: a check box and two lines of text.
RoundedCard* makeCard()
{
    auto* card = new RoundedCard;
    auto* row = new QHBoxLayout(card);
    row->setContentsMargins(10, 10, 10, 10);
    row->addWidget(new AppKitCheckbox);
    auto* lines = new QVBoxLayout;
    lines->addWidget(new TintedLabel({}, Tint::primary, neon::systemFont(13, QFont::DemiBold)));
    lines->addWidget(new TintedLabel(QStringLiteral("12 Mar 2025"), Tint::secondary, neon::systemFont(11, QFont::Normal)));
    row->addLayout(lines, 1);
    return card;
}

struct Fixture {
    test::FakePlatform fake;
    SharedState state{fake.platform()};
    QStringList names;
    QList<int> shown;  // indices into names
    LazyList list;

    Fixture()
    {
        for (int i = 0; i < 1000; ++i)
            names << QStringLiteral("Application %1 by Vendor %2").arg(i).arg(i % 37);
        list.setSpacing(8);
        list.setPadding(QMargins(10, 10, 10, 10));
        list.setRows({.kind = {},
                      .height = [](int, int) { return 56; },
                      .make = [](int) -> QWidget* { return makeCard(); },
                      .bind = [this](QWidget* w, int row) {
                          static_cast<RoundedCard*>(w)->setLook(row == 0 ? &CardLook::active : &CardLook::normal);
                          w->findChild<TintedLabel*>()->setText(names[shown[row]]);
                      }});
        list.resize(340, 600);
        list.show();
        filter({});
    }

    void filter(const QString& text)
    {
        shown.clear();
        for (int i = 0; i < names.size(); ++i)
            if (text.isEmpty() || names[i].contains(text, Qt::CaseInsensitive))
                shown << i;
        list.reset(int(shown.size()));
        // The view drawn as the window would draw it.
        list.render(&frame);
    }
    QImage frame{340, 600, QImage::Format_ARGB32_Premultiplied};
};

void BM_LazyListKeystroke(benchmark::State& state)
{
    Fixture f;
    const QStringList typed{QStringLiteral("v"), QStringLiteral("ve"), QStringLiteral("vendor 1"), QString()};
    int k = 0;
    for (auto _ : state)
        f.filter(typed[k++ % typed.size()]);
    state.counters["widgets_made"] = f.list.madeCount();
}
BENCHMARK(BM_LazyListKeystroke)->Unit(benchmark::kMillisecond);

// The same view with a widget for every row (what the list avoids).
void BM_EagerRows(benchmark::State& state)
{
    test::FakePlatform fake;
    SharedState shared(fake.platform());
    for (auto _ : state) {
        QWidget column;
        auto* rows = new QVBoxLayout(&column);
        for (int i = 0; i < 1000; ++i)
            rows->addWidget(makeCard());
        column.resize(340, 1000 * 64);
        column.show();
        QImage frame(340, 600, QImage::Format_ARGB32_Premultiplied);
        column.render(&frame, QPoint(), QRegion(0, 0, 340, 600));
    }
}
BENCHMARK(BM_EagerRows)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

TIDEWELL_WIDGETS_BENCHMARK_MAIN()
