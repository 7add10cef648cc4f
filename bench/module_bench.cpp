// Benchmarks of what the module does for the host: one update cycle, a whole frame of the six
// gauges, a connect that reads the configuration file, and the value callbacks of a redraw.
// Heap allocations inside the measured loop are reported as the counter "allocations".
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <new>

#include "bench/flight_setup.h"
#include "gauges/element_records.h"
#include "gauges/a_pilot.h"
#include "tools/gaugehost/host/linked_module.h"

namespace {
std::atomic<long> allocations{0};
}

// The replacement pair below is matched; GCC at -O3 cannot see that once both are inlined.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

void* operator new(std::size_t size)
{
    ++allocations;
    if (void* memory = std::malloc(size == 0 ? 1 : size)) return memory;
    throw std::bad_alloc();
}
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }

namespace {

void report_allocations(benchmark::State& state, long before)
{
    state.counters["allocations"] = static_cast<double>(allocations.load() - before);
}

void update_cycle(benchmark::State& state)
{
    GaugeHost host(linked_module());
    engaged_level_flight(host);
    int frame = 0;
    const long before = allocations.load();
    for (auto _ : state) {
        // The aircraft moves every 16 cycles, the clock every cycle.
        if (++frame % 16 == 0) next_sample(host, frame);
        else virtual_clock_advance();
        if (host.events().size() > 60000) host.clear_events();
        a_pilot_gauge_callback(nullptr, PANEL_SERVICE_PRE_UPDATE, 0);
    }
    report_allocations(state, before);
}
BENCHMARK(update_cycle);

void whole_frame(benchmark::State& state)
{
    GaugeHost host(linked_module());
    engaged_level_flight(host);
    int frame = 0;
    const long before = allocations.load();
    for (auto _ : state) {
        next_sample(host, ++frame);
        host.frame();
        if (host.events().size() > 60000) host.clear_events();
    }
    report_allocations(state, before);
}
BENCHMARK(whole_frame);

void connect_reading_the_file(benchmark::State& state)
{
    const auto folder = std::filesystem::temp_directory_path() / ("brask_bench_" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder / "gauges");
    std::filesystem::copy_file(BRASK_SOURCE_DIR "/config/brask_torvik.cfg", folder / "gauges" / "brask_torvik.cfg",
                               std::filesystem::copy_options::overwrite_existing);
    GaugeHost host(linked_module());
    virtual_devices.executable_path = (folder / "fs.exe").string();
    for (auto _ : state) a_pilot_gauge_callback(nullptr, PANEL_SERVICE_CONNECT_TO_WINDOW, 0);
    std::filesystem::remove_all(folder);
}
BENCHMARK(connect_reading_the_file);

// Every value callback of every gauge, as a redraw asks for them; strings get a host buffer.
double redraw(GaugeHost& host)
{
    char text[16];
    double sum = 0.0;
    for (GAUGEHDR* gauge : host.gauges()) {
        for (ELEMENT_HEADER* element = gauge->elements_list[0]; element != nullptr;
             element = next_in_chain(element)) {
            switch (element->element_type) {
            case ELEMENT_TYPE_ICON: {
                auto* icon = reinterpret_cast<ELEMENT_ICON*>(element);
                if (icon->value_callback) sum += icon->value_callback(element);
                break;
            }
            case ELEMENT_TYPE_NEEDLE:
                sum += reinterpret_cast<ELEMENT_NEEDLE*>(element)->value_callback(element);
                break;
            case ELEMENT_TYPE_SLIDER: {
                auto* slider = reinterpret_cast<ELEMENT_SLIDER*>(element);
                if (slider->x_callback) sum += slider->x_callback(element);
                if (slider->y_callback) sum += slider->y_callback(element);
                break;
            }
            case ELEMENT_TYPE_SPRITE:
                sum += reinterpret_cast<ELEMENT_SPRITE*>(element)->rotation_callback(element);
                break;
            case ELEMENT_TYPE_STRING: {
                auto* string = reinterpret_cast<ELEMENT_STRING*>(element);
                string->text = text;
                sum += string->value_callback(element);
                break;
            }
            default:
                break;
            }
        }
    }
    return sum;
}

void redraw_callbacks(benchmark::State& state)
{
    GaugeHost host(linked_module());
    engaged_level_flight(host);
    host.frame();
    const long before = allocations.load();
    for (auto _ : state) benchmark::DoNotOptimize(redraw(host));
    report_allocations(state, before);
}
BENCHMARK(redraw_callbacks);

}  // namespace

BENCHMARK_MAIN();
