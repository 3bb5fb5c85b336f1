// Where the backup network lives in the Coordinator's naming graph:
//   root / "TarmelinBackupNetwork"."context"        the network context
//   root / <server>."BackupNetwork" / "BackupServer"."server"
//                                                    a backup server
//   network context / <workstation>."workstation"   a workstation
#pragma once

namespace naming {

inline constexpr char kNetworkContextId[] = "TarmelinBackupNetwork";
inline constexpr char kNetworkContextKind[] = "context";
inline constexpr char kServerKind[] = "BackupNetwork";
inline constexpr char kServerObjectId[] = "BackupServer";
inline constexpr char kServerObjectKind[] = "server";
inline constexpr char kWorkstationKind[] = "workstation";

}  // namespace naming
