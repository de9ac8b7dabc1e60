// Speed of the in-memory table on payment-type-like rows: walking a filtered
// view, Locate, and a whole-content copy, at 1,000 / 10,000 / 100,000 rows.
// Each should grow linearly with the row count.
#include <benchmark/benchmark.h>

#include <string>

#include "host/dataset.h"

namespace {

void Fill(dru::TClientDataSet& ds, int rows) {
    ds.AddFieldDef("CDTIPORECE", dru::FieldType::String, 6);
    ds.AddFieldDef("NMTIPORECE", dru::FieldType::String, 40);
    ds.AddFieldDef("IDTPBUTTON", dru::FieldType::String, 1);
    ds.AddFieldDef("CDFPIMPFIS", dru::FieldType::String, 10);
    ds.AddFieldDef("VRTAXAADMI", dru::FieldType::Float);
    ds.CreateDataSet();
    for (int i = 0; i < rows; ++i) {
        ds.Append();
        ds.FieldByName("CDTIPORECE").SetAsString(std::to_string(i));
        ds.FieldByName("NMTIPORECE").SetAsString("Forma de pago " + std::to_string(i));
        ds.FieldByName("IDTPBUTTON").SetAsString(i % 2 ? "5" : "1");
        if (i % 3) ds.FieldByName("CDFPIMPFIS").SetAsString("01");
        ds.FieldByName("VRTAXAADMI").SetAsFloat(i * 0.5);
        ds.Post();
    }
}

// Filter off, text, on, then a walk reading one field of every visible row.
void BM_FilteredWalk(benchmark::State& state) {
    dru::TClientDataSet ds;
    Fill(ds, static_cast<int>(state.range(0)));
    for (auto _ : state) {
        ds.SetFiltered(false);
        ds.SetFilter("IDTPBUTTON = '5' AND CDFPIMPFIS IS NOT NULL");
        ds.SetFiltered(true);
        std::size_t total = 0;
        for (ds.First(); !ds.Eof(); ds.Next()) total += ds.FieldByName("CDTIPORECE").AsString().size();
        benchmark::DoNotOptimize(total);
    }
    state.SetComplexityN(state.range(0));
}

// The last row's name, ignoring case: the whole view is searched.
void BM_Locate(benchmark::State& state) {
    dru::TClientDataSet ds;
    const int rows = static_cast<int>(state.range(0));
    Fill(ds, rows);
    const std::vector<std::string> key = {"FORMA DE PAGO " + std::to_string(rows - 1)};
    for (auto _ : state) {
        ds.First();
        benchmark::DoNotOptimize(ds.Locate("NMTIPORECE", key, true));
    }
    state.SetComplexityN(state.range(0));
}

void BM_CopyFrom(benchmark::State& state) {
    dru::TClientDataSet src;
    Fill(src, static_cast<int>(state.range(0)));
    for (auto _ : state) {
        dru::TClientDataSet dst;
        dst.CopyFrom(src);
        benchmark::DoNotOptimize(dst.RecordCount());
    }
    state.SetComplexityN(state.range(0));
}

// Edit every row of a filtered walk so that it leaves the filter: the view
// is updated row by row, never rebuilt.
void BM_EditOutOfFilter(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        dru::TClientDataSet ds;
        Fill(ds, static_cast<int>(state.range(0)));
        ds.SetFilter("CDFPIMPFIS IS NULL");
        ds.SetFiltered(true);
        state.ResumeTiming();
        for (ds.First(); !ds.Eof();) {
            ds.Edit();
            ds.FieldByName("CDFPIMPFIS").SetAsString("09");
            ds.Post();
        }
    }
    state.SetComplexityN(state.range(0));
}

BENCHMARK(BM_FilteredWalk)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);
BENCHMARK(BM_Locate)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);
BENCHMARK(BM_CopyFrom)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);
BENCHMARK(BM_EditOutOfFilter)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);

}  // namespace

BENCHMARK_MAIN();
