// SPDX-License-Identifier: BSD-3-Clause
#include "export/OmeTiffSink.h"

#include "convert/ConvertJob.h"
#include "convert/Manifest.h"
#include "convert/Stack.h"
#include "convert/StackFile.h"
#include "recording/TimeBase.h"

#include <cstdio>
#include <sstream>

namespace {

std::string Escaped(const std::string& text) {
    std::string out;
    for (const char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
    return out;
}

std::string Number(double value) {
    char text[40];
    std::snprintf(text, sizeof text, "%.9g", value);
    return text;
}

class OmeTiffSink final : public FrameSink {
public:
    OmeTiffSink(const SinkSetup& setup, std::string xml) : m_setup(setup), m_xml(std::move(xml)) {}

    bool Open() {
        const int64_t pageBytes = int64_t{m_setup.width} * m_setup.height * 2;
        const bool big = m_setup.bigtiff || StackNeedsBigTiff(m_setup.frames, pageBytes);
        if (!m_file.Open(m_setup.path, big)) {
            m_error = "cannot write " + m_setup.path + ": " +
                      DescribeWriteFailure(m_setup.path, m_file.Error());
            return false;
        }
        return true;
    }

    bool WantsGrey() const override { return false; }

    bool Write(const ExportFrame& frame) override {
        m_file.StartPage(m_setup.width, m_setup.height, 16, m_pages == 0 ? m_xml : std::string(),
                         ProgramNameAndVersion());
        uint64_t offset = 0;
        const auto bytes = static_cast<std::size_t>(m_setup.width) * static_cast<std::size_t>(m_setup.height) * 2;
        if (!m_file.AppendToStrip(reinterpret_cast<const uint8_t*>(frame.samples), bytes) ||
            !m_file.FinishPage(offset)) {
            m_error = "frame " + std::to_string(frame.index) + " (" + m_setup.path + "): " +
                      DescribeWriteFailure(m_setup.path, m_file.Error());
            return false;
        }
        ++m_pages;
        return true;
    }

    bool Finish() override {
        std::string reason;
        if (!m_file.Close()) {
            m_error = "cannot write " + m_setup.path + ": " +
                      DescribeWriteFailure(m_setup.path, m_file.Error());
            return false;
        }
        if (!m_file.Commit(reason)) {
            m_error = "cannot write " + m_setup.path + ": " + reason;
            return false;
        }
        m_committed = true;
        return true;
    }

    void Abandon() override {} // the unfinished stack file removes its temporary

    std::string Error() const override { return m_error; }

    std::vector<std::string> Files() const override {
        return m_committed ? std::vector<std::string>{m_setup.path} : std::vector<std::string>{};
    }

private:
    SinkSetup m_setup;
    std::string m_xml;
    StackFile m_file;
    int64_t m_pages = 0;
    bool m_committed = false;
    std::string m_error;
};

} // namespace

std::string OmeXml(const SinkSetup& setup, const OmeDescription& description) {
    const char* schema = "http://www.openmicroscopy.org/Schemas/OME/2016-06";
    std::ostringstream xml;
    xml << R"(<?xml version="1.0" encoding="UTF-8"?>)" << "\n"
        << "<OME xmlns=\"" << schema
        << R"(" xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance" xsi:schemaLocation=")"
        << schema << " " << schema << "/ome.xsd\" Creator=\"" << Escaped(ProgramNameAndVersion())
        << "\">\n"
        << "<Image ID=\"Image:0\" Name=\"" << Escaped(description.name) << "\">\n"
        << R"(<Pixels ID="Pixels:0" DimensionOrder="XYZCT" Type="uint16" SignificantBits="10")"
        << " SizeX=\"" << setup.width << "\" SizeY=\"" << setup.height
        << R"(" SizeZ="1" SizeC="1" SizeT=")" << setup.frames << "\"";
    if (setup.metresPerPixel && !description.unit.empty()) {
        const std::string size = Number(description.unitsPerPixel);
        const std::string unit = Escaped(description.unit);
        xml << " PhysicalSizeX=\"" << size << "\" PhysicalSizeXUnit=\"" << unit
            << "\" PhysicalSizeY=\"" << size << "\" PhysicalSizeYUnit=\"" << unit << "\"";
    }
    if (setup.rate) {
        xml << " TimeIncrement=\"" << Number(description.step / *setup.rate)
            << R"(" TimeIncrementUnit="s")";
    }
    xml << ">\n"
        << R"(<Channel ID="Channel:0:0" SamplesPerPixel="1"><LightPath/></Channel>)" << "\n"
        << "<TiffData IFD=\"0\" PlaneCount=\"" << setup.frames << "\"/>\n";
    for (int64_t t = 0; t < setup.frames; ++t) {
        xml << "<Plane TheZ=\"0\" TheC=\"0\" TheT=\"" << t << "\"";
        if (setup.rate) {
            const double number = static_cast<double>(description.firstNumber + t * description.step);
            xml << " DeltaT=\"" << Number(number / *setup.rate) << R"(" DeltaTUnit="s")";
        }
        xml << "/>\n";
    }
    xml << "</Pixels>\n</Image>\n</OME>\n";
    return xml.str();
}

std::unique_ptr<FrameSink> MakeOmeTiffSink(const SinkSetup& setup, const OmeDescription& description,
                                           std::string& error) {
    auto sink = std::make_unique<OmeTiffSink>(setup, OmeXml(setup, description));
    if (!sink->Open()) {
        error = sink->Error();
        return nullptr;
    }
    return sink;
}
