# The LibreOffice SDK: the C++ UNO runtime and headers generated with cppumaker
# for exactly the UNO types the host uses.
set(LO_ROOT "/usr/lib/libreoffice" CACHE PATH "LibreOffice installation")
set(LO_PROGRAM "${LO_ROOT}/program")
set(LO_SDK "${LO_ROOT}/sdk")

if(NOT EXISTS "${LO_SDK}/bin/cppumaker")
  message(FATAL_ERROR "LibreOffice SDK not found under ${LO_SDK}: run scripts/install-deps.sh")
endif()

# Types named here are generated together with every type they depend on.
set(UNO_TYPES
  com.sun.star.beans.PropertyValue
  com.sun.star.beans.XPropertySet
  com.sun.star.beans.XMultiPropertySet
  com.sun.star.container.XEnumerationAccess
  com.sun.star.bridge.BridgeFactory
  com.sun.star.bridge.XBridge
  com.sun.star.connection.Connector
  com.sun.star.connection.XConnection
  com.sun.star.uno.DeploymentException
  com.sun.star.uno.XWeak
  com.sun.star.uno.XAggregation
  com.sun.star.lang.XTypeProvider
  com.sun.star.container.XIndexAccess
  com.sun.star.container.XNameAccess
  com.sun.star.container.XNamed
  com.sun.star.container.XNameReplace
  com.sun.star.util.XChangesBatch
  com.sun.star.util.XFlushable
  com.sun.star.document.MacroExecMode
  com.sun.star.document.UpdateDocMode
  com.sun.star.frame.XComponentLoader
  com.sun.star.frame.XDesktop
  com.sun.star.frame.XLoadable
  com.sun.star.frame.XModel
  com.sun.star.frame.XStorable
  com.sun.star.io.IOException
  com.sun.star.lang.DisposedException
  com.sun.star.lang.IllegalArgumentException
  com.sun.star.lang.IndexOutOfBoundsException
  com.sun.star.lang.XComponent
  com.sun.star.lang.XMultiComponentFactory
  com.sun.star.sheet.CellDeleteMode
  com.sun.star.sheet.CellFlags
  com.sun.star.sheet.CellInsertMode
  com.sun.star.sheet.FormulaResult
  com.sun.star.lang.XMultiServiceFactory
  com.sun.star.sheet.XUniqueCellFormatRangesSupplier
  com.sun.star.sheet.XCellRangeAddressable
  com.sun.star.sheet.XCellRangeReferrer
  com.sun.star.sheet.XNamedRange
  com.sun.star.sheet.XNamedRanges
  com.sun.star.sheet.XPrintAreas
  com.sun.star.sheet.XCellRangeData
  com.sun.star.sheet.XCellRangeMovement
  com.sun.star.sheet.XCellRangesQuery
  com.sun.star.sheet.XSheetCellRangeContainer
  com.sun.star.sheet.XCellRangeFormula
  com.sun.star.sheet.XSheetCellRanges
  com.sun.star.sheet.XSheetOperation
  com.sun.star.sheet.XSpreadsheet
  com.sun.star.sheet.XSpreadsheetDocument
  com.sun.star.sheet.XSpreadsheets
  com.sun.star.sheet.XUsedAreaCursor
  com.sun.star.sheet.XUniqueCellFormatRangesSupplier
  com.sun.star.sheet.XSheetCellCursor
  com.sun.star.style.XStyleFamiliesSupplier
  com.sun.star.table.CellHoriJustify
  com.sun.star.table.CellVertJustify
  com.sun.star.table.CellContentType
  com.sun.star.table.XCell
  com.sun.star.table.XCellRange
  com.sun.star.table.XColumnRowRange
  com.sun.star.table.XTableColumns
  com.sun.star.table.XTableRows
  com.sun.star.util.CellProtection
  com.sun.star.util.Date
  com.sun.star.text.XText
  com.sun.star.text.XTextFieldsSupplier
  com.sun.star.util.NumberFormat
  com.sun.star.util.XCloseable
  com.sun.star.util.XMergeable
  com.sun.star.util.XNumberFormatsSupplier
  com.sun.star.util.XNumberFormats
  com.sun.star.util.XProtectable
  com.sun.star.uno.XComponentContext
  com.sun.star.beans.NamedValue
  com.sun.star.task.XJob
  com.sun.star.lang.XSingleComponentFactory
  com.sun.star.loader.XImplementationLoader
  com.sun.star.registry.XRegistryKey
)

set(UNO_INCLUDE_DIR "${CMAKE_BINARY_DIR}/uno-include")
list(JOIN UNO_TYPES ";" _uno_types_arg)
add_custom_command(
  OUTPUT "${UNO_INCLUDE_DIR}/.stamp"
  COMMAND "${CMAKE_COMMAND}" -E rm -rf "${UNO_INCLUDE_DIR}"
  COMMAND "${LO_SDK}/bin/cppumaker" -Gc "-O${UNO_INCLUDE_DIR}" "-T${_uno_types_arg}"
          "${LO_PROGRAM}/types.rdb" "${LO_PROGRAM}/types/offapi.rdb"
  COMMAND "${CMAKE_COMMAND}" -E touch "${UNO_INCLUDE_DIR}/.stamp"
  DEPENDS "${CMAKE_CURRENT_LIST_FILE}"
  COMMENT "Generating UNO headers"
  VERBATIM)
add_custom_target(uno_headers DEPENDS "${UNO_INCLUDE_DIR}/.stamp")

add_library(lo_uno INTERFACE)
add_dependencies(lo_uno uno_headers)
target_include_directories(lo_uno SYSTEM INTERFACE "${LO_SDK}/include" "${UNO_INCLUDE_DIR}")
target_compile_definitions(lo_uno INTERFACE LINUX UNX CPPU_ENV=gcc3
  SHEETWISE_LO_PROGRAM="${LO_PROGRAM}")
target_link_directories(lo_uno INTERFACE "${LO_SDK}/lib")
target_link_libraries(lo_uno INTERFACE uno_cppuhelpergcc3 uno_cppu uno_salhelpergcc3 uno_sal)
target_link_options(lo_uno INTERFACE "-Wl,-rpath,${LO_PROGRAM}")
