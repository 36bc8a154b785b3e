// SPDX-License-Identifier: BSD-3-Clause
// The viewer's own words for what happened: the translated reasons behind the
// core's English texts (the command line and logs keep those), the one-line
// results of playback and conversion runs, and the notes shown when a
// recording opens with something missing. Texts live in the "RunReport"
// translation context.
#pragma once

#include <QString>

#include <string>

class CVornDoc;

// A reason text from the core (an open refusal, a system error message), in
// the interface language. A text this table does not know stays as it is.
QString TranslatedReason(const std::string& englishReason);

// Why the run stopped at `frame`: RenderFrame returned 0 there. `file` is the
// name the frame was to be written under (empty for playback).
// E.g. "Stopped at frame 12: cannot write /out/shot_000012.tif (disk full)".
QString RunStoppedLine(const CVornDoc& doc, int frame, const std::string& file);

// "Wrote 300 files to /out" (`folder` without its trailing separator).
QString ConversionDoneLine(int files, const QString& folder);

// "Aborted after frame 57".
QString RunAbortedLine(int lastFrame);

// "Frame 15 cannot be read: the file ends inside it".
QString UnreadableFrameLine(const CVornDoc& doc, int frame);

// What is missing from a freshly opened recording (frame 0 unreadable, a
// correction that is present but not applied); empty when nothing is.
QString OpenNotesLine(const CVornDoc& doc);
