// dru01000.hpp - C++ interface of libdru01000.so: the operations of the
// module's programming interface that have no plain-name C export. A C++ host
// linked against the library calls them here, in namespace dru01000; they run
// on the module's own services (serial ports, clock, debug log in the host
// folder, regional settings and message handler set through dru01000.h).
//
// Like the C entry points, these functions never throw: a platform error
// (the debug log cannot be written, a value that does not convert) ends the
// call with its initial result and dru_last_error() says what went wrong.
//
// Port handles. A port left open by Comand_Porta (boFechaPort false) is held
// by the module under a 32-bit handle number, so a host can hand it to
// AnalisaErro the way the module does itself. A held port stays open, and
// nobody else can open it, until ClosePort releases it. Handle 0 means no port.
#ifndef DRU01000_HPP
#define DRU01000_HPP

#include <cstdint>
#include <string>

#include "dru01000.h"

namespace dru01000 {

using PortHandle = std::uint32_t;
inline constexpr PortHandle kNoPort = 0;

// One exchange with the printer: open the port, write the frame `Buffer`
// (UTF-8 text, the frame bytes as U+0087 ... U+0088), wait when boTime, read
// and check the reply when boRetorno, close when boFechaPort. Returns the
// reply text (empty when nothing was read). With boFechaPort false and
// `hPort` given, the open port is held and its handle written to *hPort
// (kNoPort when the port did not open or too many ports are held); with
// boFechaPort false and no `hPort` the port is closed anyway, since nobody
// could release it.
DRU_API std::string Comand_Porta(const std::string& Buffer, bool boFechaPort, bool boRetorno, bool boTime,
                                 const std::string& stCdPortaImpFis, const std::string& stEsquemaCor,
                                 PortHandle* hPort = nullptr);

// Analyses the printer's error reply `Codigo` on the held port `hPort`
// (kNoPort: none): logs it, tells the operator where needed and sends the
// recovery commands. The handle afterwards holds whatever port the analysis
// left open (possibly none); release it with ClosePort. False for an unknown
// handle.
DRU_API bool AnalisaErro(const std::string& stCdPortaImpFis, const std::string& stEsquemaCor,
                         const std::string& Codigo, PortHandle hPort);

// Closes a held port and forgets its handle; false for an unknown handle.
DRU_API bool ClosePort(PortHandle hPort);

}  // namespace dru01000

#endif  // DRU01000_HPP
