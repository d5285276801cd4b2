# The station's settings file for a whole production round, shared by the
# main job (demo.sh), the gadget round and the round benchmark.
#   whole_round_ini SERIAL BANK [LINE ...]
# prints QXMPTOOL.ini: flash module, bus, flash and DRAM tests, pre-format,
# download, R/W test, tables and disk format on a 4-channel WBG part; the
# extra lines go under [TestItems].
whole_round_ini() {
  local serial=$1 bank=$2
  shift 2
  printf '%s\n' '[Setting]' 'TimeOut=5' '[FlashSetting]' 'FlashUniName=WBG' 'Channel=4' "Bank=$bank" \
    '[DeviceSetting]' "SerialNum=$serial" 'SNAutoInc=1' \
    '[TestItems]' 'EnFlashModule=1' 'EnSataTest=1' 'EnFlashTest=1' 'EnDramTest=1' 'EnPreFormat=1' \
    'EnDownload=1' 'EnRWTest=1' 'EnCheckTables=1' 'EnFormat=1' "$@"
}
