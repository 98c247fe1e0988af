#include "sim/game/chart.h"

#include "settings/utf8.h"

#include <math.h>
#include <stdio.h>

namespace {

constexpr double kWidth = 900;
constexpr double kPanelHeight = 220;
constexpr double kMargin = 90;

struct Panel {
    double top;
    double low;
    double high;
};

double ScaleX(size_t index, size_t count)
{
    return kMargin +
           (count > 1 ? static_cast<double>(index) / static_cast<double>(count - 1) : 0.0) * (kWidth - 2 * kMargin);
}

double ScaleY(const Panel& panel, double value)
{
    return panel.top + kPanelHeight - (value - panel.low) / (panel.high - panel.low) * kPanelHeight;
}

Panel FitPanel(double top, const std::vector<FrameSample>& samples, bool heading)
{
    double largest = 0.0;
    for (const FrameSample& s : samples) {
        const double v = heading ? (s.cameraSet ? s.heading : 0.0) : (s.trackerSeen ? s.rawYaw : 0.0);
        largest = fmax(largest, fabs(v));
    }
    largest = largest > 0.0 ? largest * 1.1 : 1.0;
    return Panel{top, -largest, largest};
}

void WriteVehicleBands(FILE* out, const std::vector<FrameSample>& samples, double top, double height)
{
    for (size_t i = 0; i < samples.size(); ++i) {
        if (!samples[i].inVehicle || (i > 0 && samples[i - 1].inVehicle)) {
            continue;
        }
        size_t end = i;
        while (end + 1 < samples.size() && samples[end + 1].inVehicle) {
            ++end;
        }
        const double x0 = ScaleX(i, samples.size());
        const double x1 = ScaleX(end, samples.size());
        fprintf(out, "<rect x='%.1f' y='%.1f' width='%.1f' height='%.1f' fill='#e8f1fb'/>\n", x0, top, x1 - x0, height);
    }
}

// "headviewing_offset 0.0 -> 0.2" as "offset 0.0 -> 0.2", to fit the chart.
std::string WithoutKeyPrefix(std::string text)
{
    const std::string prefix = "headviewing_";
    for (size_t at = text.find(prefix); at != std::string::npos; at = text.find(prefix, at)) {
        text.erase(at, prefix.size());
    }
    return text;
}

void WriteEditMarks(FILE* out, const std::vector<FrameSample>& samples, double top, double height)
{
    for (size_t i = 0; i < samples.size(); ++i) {
        if (!samples[i].iniEdit.empty()) {
            const double x = ScaleX(i, samples.size());
            fprintf(out, "<line x1='%.1f' y1='%.1f' x2='%.1f' y2='%.1f' stroke='#555' stroke-dasharray='2 3'/>\n", x,
                    top, x, top + height);
            // Past the first third, the label stands left of the line so that it fits.
            const bool left = x > kWidth / 3;
            fprintf(out, "<text x='%.1f' y='%.1f' font-size='11' text-anchor='%s'>headview.ini edited: %s</text>\n",
                    left ? x - 4 : x + 4, top + height - 4, left ? "end" : "start",
                    WithoutKeyPrefix(samples[i].iniEdit).c_str());
        }
    }
}

// One line per run of frames that have a value.
void WriteSeries(FILE* out, const std::vector<FrameSample>& samples, const Panel& panel, bool heading,
                 const char* colour)
{
    bool open = false;
    for (size_t i = 0; i < samples.size(); ++i) {
        const FrameSample& s = samples[i];
        const bool has = heading ? s.cameraSet : s.trackerSeen;
        if (!has) {
            if (open) {
                fprintf(out, "'/>\n");
            }
            open = false;
            continue;
        }
        if (!open) {
            fprintf(out, "<polyline fill='none' stroke='%s' stroke-width='1.5' points='", colour);
            open = true;
        }
        fprintf(out, "%.1f,%.1f ", ScaleX(i, samples.size()), ScaleY(panel, heading ? s.heading : s.rawYaw));
    }
    if (open) {
        fprintf(out, "'/>\n");
    }
}

void WritePanelFrame(FILE* out, const Panel& panel, const char* title, const char* unit)
{
    const double zero = ScaleY(panel, 0.0);
    fprintf(out, "<rect x='%.1f' y='%.1f' width='%.1f' height='%.1f' fill='none' stroke='#888'/>\n", kMargin, panel.top,
            kWidth - 2 * kMargin, kPanelHeight);
    fprintf(out, "<line x1='%.1f' y1='%.1f' x2='%.1f' y2='%.1f' stroke='#bbb' stroke-dasharray='4 3'/>\n", kMargin,
            zero, kWidth - kMargin, zero);
    fprintf(out, "<text x='%.1f' y='%.1f' font-size='14'>%s</text>\n", kMargin, panel.top - 8, title);
    fprintf(out, "<text x='%.1f' y='%.1f' font-size='11' text-anchor='end'>%+.2f %s</text>\n", kMargin - 4,
            panel.top + 10, panel.high, unit);
    fprintf(out, "<text x='%.1f' y='%.1f' font-size='11' text-anchor='end'>%+.2f %s</text>\n", kMargin - 4,
            panel.top + kPanelHeight, panel.low, unit);
}

}  // namespace

bool WriteChart(const std::string& path, const std::vector<FrameSample>& samples)
{
    FILE* out = _wfopen(WideFromUtf8(path).c_str(), L"w");
    if (out == nullptr) {
        return false;
    }
    const double height = 2 * kPanelHeight + 3 * kMargin;
    fprintf(out, "<svg xmlns='http://www.w3.org/2000/svg' width='%.0f' height='%.0f' font-family='sans-serif'>\n",
            kWidth, height);
    fprintf(out, "<rect width='100%%' height='100%%' fill='white'/>\n");
    const Panel yaw = FitPanel(kMargin, samples, false);
    const Panel heading = FitPanel(2 * kMargin + kPanelHeight, samples, true);
    WriteVehicleBands(out, samples, yaw.top, heading.top + kPanelHeight - yaw.top);
    WritePanelFrame(out, yaw, "Tracker raw yaw (head turned left/right)", "rad");
    WritePanelFrame(out, heading, "Camera heading sent by headview (blank: no camera call)", "deg");
    WriteEditMarks(out, samples, yaw.top, heading.top + kPanelHeight - yaw.top);
    WriteSeries(out, samples, yaw, false, "#2b6cb0");
    WriteSeries(out, samples, heading, true, "#c05621");
    fprintf(out, "<text x='%.1f' y='%.1f' font-size='12'>frames %u to %u; shaded: character in a vehicle</text>\n",
            kMargin, height - 20, samples.empty() ? 0u : samples.front().frame,
            samples.empty() ? 0u : samples.back().frame);
    fprintf(out, "</svg>\n");
    return fclose(out) == 0;
}
