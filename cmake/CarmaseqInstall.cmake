# Installs the library, its public headers, the programs, a CMake package and a pkg-config file.
install(TARGETS carmaseq carmaseq_mining EXPORT carmaseqTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# The public surface only, keeping its folder structure under include/carmaseq/: the engine classes
# the library exports, the input and mining API a program calls, and the plug-in's scoring classes.
# Everything else under src/ is internal and stays out of the package.
set(CARMASEQ_PUBLIC_HEADERS
  carmaseq.h
  carmaseq_mining.h
  foundation/Exceptions.h foundation/QxMV.h foundation/QxPower.h foundation/QxStatus.h
  foundation/Visibility.h
  sequence/AdjacentItemSet.h sequence/HashtableSQPair.h sequence/NTSequence.h sequence/Sequence.h
  sequence/SequenceCounter.h sequence/TimedItemSet.h
  dictionary/SeqAssociationRule.h dictionary/SeqConsequentDescriptor.h
  dictionary/SeqDictionarySettings.h dictionary/SequenceDictionary.h
  dictionary/SequenceSemiLattice.h
  xml/ExportFormat.h xml/NumberFormat.h xml/XMLNodes.h xml/XMLUtil.h xml/XMLWriter.h
  persist/XMLObj.h
  input/CsvReader.h input/InputError.h input/ItemNameMap.h input/SequenceDatabase.h
  input/SequenceGenerator.h input/SpmfFormat.h input/TimeParser.h
  mining/DictionaryBuilder.h mining/ModelFile.h mining/SequenceMiner.h)
if(CARMASEQ_BUILD_PLUGIN)
  list(APPEND CARMASEQ_PUBLIC_HEADERS
    scoring/SequentialAssocModel.h scoring/SequentialResult.h scoring/SequentialTranslator.h
    scoring/VectorValue.h)
endif()
foreach(header ${CARMASEQ_PUBLIC_HEADERS})
  get_filename_component(folder ${header} DIRECTORY)
  install(FILES src/${header} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/carmaseq/${folder})
endforeach()

set(CARMASEQ_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/carmaseq)
install(EXPORT carmaseqTargets NAMESPACE carmaseq:: DESTINATION ${CARMASEQ_CMAKE_DIR})
configure_package_config_file(cmake/carmaseqConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/carmaseqConfig.cmake INSTALL_DESTINATION ${CARMASEQ_CMAKE_DIR})
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/carmaseqConfigVersion.cmake
  COMPATIBILITY SameMinorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/carmaseqConfig.cmake
  ${CMAKE_CURRENT_BINARY_DIR}/carmaseqConfigVersion.cmake DESTINATION ${CARMASEQ_CMAKE_DIR})

configure_file(cmake/carmaseq.pc.in ${CMAKE_CURRENT_BINARY_DIR}/carmaseq.pc @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/carmaseq.pc
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
