#include "scoring/Failure.h"

#include <exception>
#include <new>
#include <xercesc/dom/DOMException.hpp>
#include <xercesc/util/OutOfMemoryException.hpp>
#include <xercesc/util/XMLException.hpp>

#include "foundation/Exceptions.h"
#include "foundation/QxStatus.h"

namespace QxQuorvis_940 {

const char* CurrentFailure() noexcept {
  try {
    throw;
  } catch (const std::bad_alloc&) {
    return "out of memory";
  } catch (const xercesc::OutOfMemoryException&) {
    return "out of memory";
  } catch (const SeqExceptions::DictionaryFailure&) {
    return "the dictionary ran out of memory";
  } catch (const QxCommon_940::QxStatus& status) {
    return status.GetErrorCode() == QxCommon_940::QxStatus::kIndexOutOfRange
               ? "index out of range"
               : "a failure status was thrown";
  } catch (const xercesc::XMLException&) {
    return "the XML library failed";
  } catch (const xercesc::DOMException&) {
    return "the XML library failed";
  } catch (const std::exception& error) {
    return error.what();
  } catch (...) {
    return "an unknown exception";
  }
}

}  // namespace QxQuorvis_940
