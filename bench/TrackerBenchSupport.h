#pragma once
// What the tracker's window benchmarks share: the offscreen application, a program folder
// with an empty database made by the tracker's own tool, and a ticket table filled quickly by
// writing records straight after its header.

#include "app/tables/TrackerTables.h"

#include <functional>
#include <string>

class TApplication;
class TDataSet;

// The one application of a benchmark process, on Qt's offscreen platform unless one is set.
TApplication& BenchApplication(const char* programName);

// Byte offset of a ticket field in a record (after the deletion flag).
int TicketFieldOffset(TTicketField field);

// A new temporary program folder: databases/ with the seven empty tables, backup/,
// attachments/, language/English.mes, and settings that skip the web-site question.
std::string MakeBenchProgramFolder();

// Appends `count` records to the plain (not enciphered) tracker table `fileName` through the
// engine; `fill(table, number)` sets the fields of record `number` (from 0).
void AppendRecords(const std::string& fileName, int count, const std::function<void(TDataSet&, int)>& fill);

// Writes `count` records straight after the header of the empty ticket table `fileName`;
// `fill(record, number)` sets the fields of record `number` (from 1) in a blank record image.
// Then ends the file and sets the header's record count.
void FillTickets(const std::string& fileName, int count, const std::function<void(std::string&, int)>& fill);

// A program folder, made once per process and removed when the process ends, whose ticket table
// holds `count` tickets with the id "#QZ#<number>" and the subject `subject(number)`.
const std::string& TicketsWithSubjectsFolder(int count, const std::function<std::string(int)>& subject);

// The program folder of one benchmark run: made the application's folder, with an opener that
// opens nothing; at the end both are undone and the folder is removed.
class TBenchProgram {
public:
    explicit TBenchProgram(std::string folder);
    ~TBenchProgram();
    TBenchProgram(const TBenchProgram&) = delete;
    TBenchProgram& operator=(const TBenchProgram&) = delete;

private:
    std::string folder_;
};
