#pragma once
// Work on an open document that takes many small calls is done inside the
// office process, where each call is a plain function call, instead of one
// message over the pipe per call. A small component library is loaded into
// the office once per process and runs such a task in one request.
//
// A task is asked for with the named values "Task" and "Document", and
// "Value" where it takes one.

namespace sheetwise::host {

// The component's implementation name and its tasks, as both sides name them.
inline constexpr const char* kOfficeSideImplementation = "org.sheetwise.OfficeSideTasks";
// Loads a spreadsheet document without a window: no frame and no view, which
// costs the office a quarter of an open and save. Value: the media descriptor
// (URL, FilterName, ...); no Document; answers the document.
inline constexpr const char* kLoadSpreadsheetTask = "LoadSpreadsheet";
// The same load, and the document made ready for the program's work, in one
// request. Value: the media descriptor, whether the document is for editing,
// the default font's name ("" for none) and height. Answers the document, the
// filter used, the last row and column of a sheet, the default cell style's
// font (name, height, weight) as it then is, and, for a workbook of up to 16
// sheets, {their names in order, the sheets} ({} for more), and the null date.
inline constexpr const char* kLoadForWorkTask = "LoadForWork";
// Whole-document tasks (LoDocumentTasks.h).
inline constexpr const char* kSheetNamedTask = "SheetNamed";  // Value: the name; answers the sheet or nothing
inline constexpr const char* kSheetAtTask = "SheetAt";        // Value: the position from 0; the same
// One cell's content. Value: the sheet, the column and the row (from 0).
// Answers its content type (a CellContentType), its text, its value, the
// type of its number format, its error code, the type of its formula's
// result (a FormulaResult) and its formula.
inline constexpr const char* kCellContentTask = "CellContent";
// Stores the document, after what its format needs first. Value: the URL, the
// store arguments (FilterName, ...), whether every script takes each cell's
// Western font first (an Excel format keeps one font for all), whether
// formulas with text results are entered again first (the Excel 97 export
// loses their results otherwise) and whether links to files keep their text
// relative to the folder the document was loaded from (LoLinkBase.h), and
// whether the named ranges an .xls import makes of built-in names are left
// out (LoBuiltInNames.h).
// Answers the wall and office CPU seconds of the first two steps:
// {fonts wall, fonts CPU, text results wall, text results CPU}.
inline constexpr const char* kStoreTask = "Store";
inline constexpr const char* kCloseTask = "Close";  // closes the document, unsaved

// Edits, sent in order in one request: Value is a list of edits, each the
// list {task, sheet, area (a CellRangeAddress), value}. They are carried out
// until one is refused or fails. Answers {how many were carried out, the
// refusal ("" for none), whether the office failed the next one}.
inline constexpr const char* kSheetEditsTask = "SheetEdits";
// The edits' tasks. The area holds whole rows or columns where the edit is of
// rows or columns.
inline constexpr const char* kInsertRowsTask = "InsertRows";  // Value: the grid's row count
inline constexpr const char* kDeleteRowsTask = "DeleteRows";
inline constexpr const char* kDeleteColumnsTask = "DeleteColumns";
inline constexpr const char* kClearContentsTask = "ClearContents";
inline constexpr const char* kMergeCentredTask = "MergeCentred";
inline constexpr const char* kRowHeightTask = "RowHeight";      // Value: 1/100 mm
inline constexpr const char* kColumnWidthTask = "ColumnWidth";  // Value: 1/100 mm
inline constexpr const char* kSetNumberTask = "SetNumber";      // Value: the number
inline constexpr const char* kSetFormulaTask = "SetFormula";    // Value: the formula as typed
inline constexpr const char* kSetTextTask = "SetText";          // Value: the text
inline constexpr const char* kRenameSheetTask = "RenameSheet";  // Value: the new name

// Why an edit was refused.
inline constexpr const char* kSheetProtected = "sheet protected";
inline constexpr const char* kStructureProtected = "structure protected";
inline constexpr const char* kRowsDoNotFit = "rows do not fit";
inline constexpr const char* kCannotMerge = "cannot merge";
// Followed by " FIRSTROW FIRSTCOLUMN LASTROW LASTCOLUMN" (from 0): the span of
// the merge's cells and the merged areas that reach into them from outside.
inline constexpr const char* kMergeReachesOut = "merged area reaches out";
inline constexpr const char* kNameTaken = "name taken";
inline constexpr const char* kFormulaSyntax = "formula syntax";

}  // namespace sheetwise::host
