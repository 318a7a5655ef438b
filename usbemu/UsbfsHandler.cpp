// The GObject that umockdev calls for every ioctl on a node: it forwards to
// the UsbfsNode it holds.
#include "UsbfsNode.h"

G_DECLARE_FINAL_TYPE(VelorixUsbfsHandler, velorix_usbfs_handler, VELORIX, USBFS_HANDLER,
                     UMockdevIoctlBase)

struct _VelorixUsbfsHandler {
    UMockdevIoctlBase parent;
    // Behind a pointer: a GObject instance must stay small, and C++ members
    // need their constructors.
    std::shared_ptr<velorix::usbemu::UsbfsNode>* node;
};

G_DEFINE_TYPE(VelorixUsbfsHandler, velorix_usbfs_handler, UMOCKDEV_TYPE_IOCTL_BASE)

static gboolean velorix_usbfs_handler_ioctl(UMockdevIoctlBase* base, UMockdevIoctlClient* client) {
    (*VELORIX_USBFS_HANDLER(base)->node)->Ioctl(client);
    return TRUE;
}

static void velorix_usbfs_handler_connected(UMockdevIoctlBase* base, UMockdevIoctlClient*) {
    (*VELORIX_USBFS_HANDLER(base)->node)->Connected();
}

static void velorix_usbfs_handler_vanished(UMockdevIoctlBase* base, UMockdevIoctlClient* client) {
    (*VELORIX_USBFS_HANDLER(base)->node)->Vanished(client);
}

static void velorix_usbfs_handler_finalize(GObject* object) {
    delete VELORIX_USBFS_HANDLER(object)->node;
    G_OBJECT_CLASS(velorix_usbfs_handler_parent_class)->finalize(object);
}

static void velorix_usbfs_handler_class_init(VelorixUsbfsHandlerClass* klass) {
    UMOCKDEV_IOCTL_BASE_CLASS(klass)->handle_ioctl = velorix_usbfs_handler_ioctl;
    UMOCKDEV_IOCTL_BASE_CLASS(klass)->client_connected = velorix_usbfs_handler_connected;
    UMOCKDEV_IOCTL_BASE_CLASS(klass)->client_vanished = velorix_usbfs_handler_vanished;
    G_OBJECT_CLASS(klass)->finalize = velorix_usbfs_handler_finalize;
}

static void velorix_usbfs_handler_init(VelorixUsbfsHandler* self) {
    self->node = nullptr;
}

namespace velorix::usbemu {

UMockdevIoctlBase* UsbfsNode::NewHandler(std::shared_ptr<UsbfsNode> node) {
    auto* handler = VELORIX_USBFS_HANDLER(g_object_new(velorix_usbfs_handler_get_type(), nullptr));
    handler->node = new std::shared_ptr<UsbfsNode>(std::move(node));
    return UMOCKDEV_IOCTL_BASE(handler);
}

}  // namespace velorix::usbemu
